#include "protocol/SmsCommands.h"

#include "ServerLog.h"
#include "data/SmsArchive.h"
#include "data/SmsDocuments.h"
#include "protocol/ErrorCodes.h"

namespace {

std::string Subject(const CommandContext& context)
{
    return "SMS of " + context.account->userId + " on " + context.device.deviceId;
}

ProtocolResponse ListAnswer(CommandContext& context)
{
    const MessageListing listing = context.server.sms.Listing(context.account->userId);
    ServerLog(Subject(context) + ": list of " + std::to_string(listing.messages.size()) + " messages" +
              (listing.leftOut > 0 ? ", the oldest " + std::to_string(listing.leftOut) + " left out" : ""));
    ProtocolResponse response;
    response.body = MessageListDocument(listing.messages);
    response.contentType = "text/xml; charset=utf-8";
    return response;
}

} // namespace

ProtocolResponse SmsBackup(CommandContext& context)
{
    std::string error;
    const std::optional<MessageList> list = ReadMessageList(context.request.body, error);
    if (!list)
        return ProtocolResponse::Refusal(400, error);
    const std::optional<std::size_t> added =
        context.server.sms.TakeBackup(context.account->userId, list->messages);
    if (!added)
        return ErrorAnswer(ErrorCode::ServerFailure, "The server could not store the messages.");
    ServerLog(Subject(context) + ": backup of " + std::to_string(list->messages.size()) + " messages, " +
              std::to_string(*added) + " new" +
              (list->undated > 0 ? ", " + std::to_string(list->undated) + " without a readable time left out"
                                 : ""));
    if (context.request.Command() != "Sync")
        return {};
    return ListAnswer(context);
}

ProtocolResponse SmsRestore(CommandContext& context)
{
    return ListAnswer(context);
}
