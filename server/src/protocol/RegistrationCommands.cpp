// A handset without keys: asking how to register, and collecting its keys.

#include "protocol/ProtocolCommands.h"

#include "ServerLog.h"
#include "protocol/ErrorCodes.h"
#include "push/PushMessages.h"

#include <charconv>

namespace {

ProtocolResponse InitDevice(CommandContext& context)
{
    ServerState& server = context.server;
    DeviceRecord& device = context.device;
    const std::string retry = context.request.HeaderOr("QX-RetryNumber", "0");
    const auto parsed = std::from_chars(retry.data(), retry.data() + retry.size(), device.retryNumber);
    if (retry.empty() || parsed.ec != std::errc() || parsed.ptr != retry.data() + retry.size() ||
        device.retryNumber < 0)
        return ProtocolResponse::Refusal(400,
                                         "QX-RetryNumber \"" + retry.substr(0, 32) + "\" is not a count");
    if (!server.store.SaveDevice(device))
        return ErrorAnswer(ErrorCode::ServerFailure, "The server could not record the handset.");

    // After too many attempts (the handset sends 100 when it cannot send an SMS at all) the server
    // gives up the SMS path; the handset then identifies itself with a user id and password.
    const bool sendSms = device.retryNumber < server.settings.smsAttempts;
    ProtocolResponse response;
    response.AddHeader("QX-SendRegistrationSMS", sendSms ? "true" : "false");
    response.AddHeader("QX-MSISDN", server.settings.msisdn);
    response.AddHeader("QX-IdentificationCirTimeout",
                       std::to_string(server.settings.identificationTimeoutMs));
    return response;
}

// The account a handset without keys names by user id and password.
std::optional<ProtocolResponse> JoinAccount(CommandContext& context)
{
    const ProtocolRequest& request = context.request;
    const std::string userId = request.HeaderOr("QX-UserID");
    if (userId.empty())
        return ErrorAnswer(ErrorCode::UnknownDevice, "This handset is not registered yet.");
    const std::optional<AccountRecord> account = context.server.store.FindAccount(userId);
    if (!account)
        return ErrorAnswer(ErrorCode::UnknownDevice, "There is no account \"" + userId + "\".");
    if (account->password.empty())
        return ErrorAnswer(ErrorCode::WrongCredentials,
                           "Account \"" + userId + "\" has no password; register this handset by SMS.");
    if (request.HeaderOr("QX-Password") != account->password)
        return ErrorAnswer(ErrorCode::WrongCredentials, "The password is wrong.");
    const std::optional<DeviceRecord> attached =
        context.server.registrar.AttachDevice(context.device, *account);
    if (!attached)
        return ErrorAnswer(ErrorCode::ServerFailure, "The server could not record the handset.");
    context.device = *attached;
    context.account = account;
    return std::nullopt;
}

ProtocolResponse IdentifyDevice(CommandContext& context)
{
    ServerState& server = context.server;
    if (context.device.IsRegistered()) {
        context.account = server.store.FindAccount(context.device.userId);
        const std::string password = context.request.HeaderOr("QX-Password");
        if (!context.account)
            return ErrorAnswer(ErrorCode::ServerFailure, "The handset's account is missing.");
        if (!context.account->password.empty() && password != context.account->password)
            return ErrorAnswer(ErrorCode::WrongCredentials, "The password is wrong.");
        if (!RecordContact(context))
            return ErrorAnswer(ErrorCode::ServerFailure, "The server could not record the request.");
    } else if (std::optional<ProtocolResponse> refused = JoinAccount(context)) {
        return *refused;
    }

    const DeviceRecord& device = context.device;
    ProtocolResponse response;
    response.AddHeader("QX-Ukey", context.account->userKey);
    response.AddHeader("QX-UserID", context.account->userId);
    const std::optional<PushTarget> target = PushTargetOf(device, server.settings.pushPort);
    if (device.keyDelivery == KeyDelivery::Push && target) {
        server.pushes.SendLater(*target, KeyPush(device));
        return response;
    }
    if (device.keyDelivery == KeyDelivery::Push)
        ServerLog("key of " + device.deviceId + " goes in the answer: no push address known");
    response.AddHeader("QX-Key", device.deviceKey);
    return response;
}

} // namespace

void RegisterRegistrationCommands(CCommandDispatcher& dispatcher)
{
    dispatcher.Register("InitDevice", Needs::Device, InitDevice);
    dispatcher.Register("IdentifyDevice", Needs::Device, IdentifyDevice);
}
