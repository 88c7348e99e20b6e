// Operator commands on an account's text messages.

#include "admin/AdminRequest.h"

#include "ServerTime.h"
#include "data/SmsTime.h"

namespace {

constexpr std::size_t kMaxAddressBytes = 256;

AdminRecord MessageFields(const SmsRecord& message)
{
    AdminRecord record;
    record.Add("id", std::to_string(message.id))
        .Add("folder", message.folder)
        .Add("from", message.sender)
        .Add("to", message.recipient)
        .Add("time", FormatOperatorTime(message.timeS))
        .Add("deleted", message.deleted ? "true" : "false")
        .Add("text", message.text);
    return record;
}

} // namespace

AdminResult ListMessages(const AdminRequest& request, ServerState& server)
{
    bool withDeleted = false;
    if (std::optional<AdminResult> refused = ListRefusal(request, server, withDeleted))
        return *refused;
    AdminResult result;
    for (const SmsRecord& message : server.sms.Messages(request.GetOr("user-id"))) {
        if (withDeleted || !message.deleted)
            result.records.push_back(MessageFields(message));
    }
    return result;
}

AdminResult AddMessage(const AdminRequest& request, ServerState& server)
{
    if (std::optional<AdminResult> refused = MissingAccount(request, server))
        return *refused;
    SmsRecord message;
    message.folder = request.GetOr("folder");
    message.sender = request.GetOr("from");
    message.recipient = request.GetOr("to");
    message.text = request.GetOr("text");
    message.createdMs = NowMs();
    message.timeS = message.createdMs / 1000;
    if (message.folder != "inbox" && message.folder != "sent")
        return AdminResult::Refused("folder is \"" + message.folder.substr(0, 32) + "\", not inbox or sent");
    if (message.sender.size() > kMaxAddressBytes || message.recipient.size() > kMaxAddressBytes)
        return AdminResult::Refused("from and to hold at most 256 bytes");
    if (const std::optional<std::string> time = request.Get("time")) {
        const std::optional<std::int64_t> seconds = ParseOperatorTime(*time);
        if (!seconds)
            return AdminResult::Refused("time is \"" + time->substr(0, 32) + "\", not YYYY-MM-DDTHH:MM:SSZ");
        message.timeS = *seconds;
    }
    const std::optional<SmsRecord> added = server.sms.Add(request.GetOr("user-id"), std::move(message));
    if (!added)
        return AdminResult::Refused("the store failed to add the message", 500);
    AdminResult result;
    result.records.push_back(MessageFields(*added));
    return result;
}

AdminResult DeleteMessage(const AdminRequest& request, ServerState& server)
{
    return DeleteById(request, "message", [&](const std::string& userId, std::int64_t id) {
        return server.sms.MarkDeleted(userId, id);
    });
}
