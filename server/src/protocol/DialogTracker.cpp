#include "protocol/DialogTracker.h"

#include "ServerTime.h"
#include "protocol/ErrorCodes.h"

namespace {

constexpr std::string_view kDefaultRefusal = "The value you entered was not accepted.";

} // namespace

const char* InputVerdictName(InputVerdict verdict)
{
    switch (verdict) {
    case InputVerdict::Accepted:
        return "accepted";
    case InputVerdict::Refused:
        return "refused";
    case InputVerdict::NotAsked:
        break;
    }
    return "none";
}

void CDialogTracker::Shown(const std::string& deviceId, const DialogLayout& layout,
                           std::optional<ProtocolResponse> commandAnswer)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_onScreen[deviceId] = OnScreen{layout, std::move(commandAnswer)};
}

AnswerHandling CDialogTracker::Answered(const std::string& deviceId, const DialogAnswer& answer)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    AnswerHandling handling;
    const auto found = m_onScreen.find(deviceId);
    if (found == m_onScreen.end()) {
        handling.problem = "no dialog is waiting for an answer from this device";
        return handling;
    }
    const OnScreen shown = std::move(found->second);
    m_onScreen.erase(found);
    if (shown.layout.code != answer.code) {
        handling.problem = "the answer is for dialog " + std::to_string(answer.code) + ", but dialog " +
                           std::to_string(shown.layout.code) + " was shown";
        return handling;
    }

    DialogOutcome outcome;
    outcome.code = answer.code;
    outcome.stopTicked = answer.stopTicked;
    outcome.answeredMs = NowMs();
    if (shown.layout.expectedInput) {
        const bool accepted = InputMatches(answer, *shown.layout.expectedInput, shown.layout.inputType);
        outcome.input = accepted ? InputVerdict::Accepted : InputVerdict::Refused;
        if (!accepted) {
            const std::string_view message = shown.layout.refusalMessage.empty()
                                                 ? kDefaultRefusal
                                                 : std::string_view(shown.layout.refusalMessage);
            m_refusals.insert_or_assign(deviceId, ErrorAnswer(ErrorCode::InputRefused, message));
        }
    }
    m_outcomes.insert_or_assign(deviceId, outcome);
    handling.commandAnswer = shown.commandAnswer;
    return handling;
}

std::optional<ProtocolResponse> CDialogTracker::TakeRefusal(const std::string& deviceId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_refusals.find(deviceId);
    if (found == m_refusals.end())
        return std::nullopt;
    ProtocolResponse refusal = std::move(found->second);
    m_refusals.erase(found);
    return refusal;
}

std::optional<DialogOutcome> CDialogTracker::LastOutcome(const std::string& deviceId) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_outcomes.find(deviceId);
    if (found == m_outcomes.end())
        return std::nullopt;
    return found->second;
}
