// The handset's answers to server dialogs.

#include "protocol/ProtocolCommands.h"

#include "ServerLog.h"
#include "protocol/ErrorCodes.h"

namespace {

// "Action" answers come before the handset repeats its command; a "Result" answer (the user ticked the
// stop box of a Continue) is taken by the handset as the answer to the command the dialog came with.
ProtocolResponse DialogAnswerCommand(CommandContext& context)
{
    const std::string type = context.request.HeaderOr("QX-CommandType");
    if (type != "Action" && type != "Result")
        return ProtocolResponse::Refusal(400, "QX-CommandType of a dialog answer is \"" + type.substr(0, 32) +
                                                  "\", not Action or Result");
    std::string error;
    const std::optional<DialogAnswer> answer = ReadDialogAnswer(context.request.body, error);
    if (!answer)
        return ProtocolResponse::Refusal(400, error);

    const std::string& deviceId = context.device.deviceId;
    AnswerHandling handling = context.server.dialogs.Answered(deviceId, *answer);
    if (!handling.problem.empty()) {
        ServerLog("dialog answer from " + deviceId + ": " + handling.problem);
        return ErrorAnswer(ErrorCode::UnexpectedAnswer,
                           "The server did not expect this answer: " + handling.problem);
    }
    const std::optional<DialogOutcome> outcome = context.server.dialogs.LastOutcome(deviceId);
    ServerLog("dialog " + std::to_string(answer->code) + " answered by " + deviceId + " (" + type +
              ", input " + InputVerdictName(outcome ? outcome->input : InputVerdict::NotAsked) +
              (answer->stopTicked ? ", stop ticked)" : ")"));
    if (type == "Result" && handling.commandAnswer)
        return *handling.commandAnswer;
    return {};
}

} // namespace

void RegisterDialogCommands(CCommandDispatcher& dispatcher)
{
    dispatcher.Register(std::string(kDialogAnswerCommand), Needs::Device, DialogAnswerCommand);
}
