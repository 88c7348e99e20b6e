// Operator commands on devices: their state, how the server reaches them, and pushes.

#include "admin/AdminRequest.h"

#include "protocol/Credentials.h"
#include "push/PushMessages.h"

namespace {

constexpr std::size_t kMaxAddressLength = 255;

bool IsHostText(std::string_view text)
{
    if (text.size() > kMaxAddressLength)
        return false;
    for (const char c : text) {
        if (c <= 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

std::optional<DeviceRecord> FindDevice(const AdminRequest& request, ServerState& server, AdminResult& refusal)
{
    const std::string deviceId = request.GetOr("device");
    std::optional<DeviceRecord> device = server.store.FindDevice(deviceId);
    if (!device)
        refusal = AdminResult::Refused("there is no device \"" + deviceId.substr(0, 64) + "\"", 404);
    return device;
}

} // namespace

AdminRecord DeviceFields(const DeviceRecord& device, ServerState& server)
{
    AdminRecord record;
    record.Add("device", device.deviceId)
        .Add("user-id", device.userId)
        .Add("registered", device.IsRegistered() ? "true" : "false")
        .Add("device-key", device.deviceKey)
        .Add("key-delivery", KeyDeliveryWord(device.keyDelivery))
        .Add("push-address", device.pushAddress)
        .Add("push-port", std::to_string(device.pushPort));
    const std::optional<PushTarget> target = PushTargetOf(device, server.settings.pushPort);
    record.Add("push-target", target ? target->address + " " + std::to_string(target->port) : std::string())
        .Add("last-address", device.lastAddress)
        .Add("user-agent", device.userAgent)
        .Add("agent", device.agent)
        .Add("imsi", device.imsi)
        .Add("retry-number", std::to_string(device.retryNumber))
        .Add("expect-cir", device.expectCir ? "true" : "false")
        .Add("created", std::to_string(device.createdMs))
        .Add("last-seen", std::to_string(device.lastSeenMs));
    if (const std::optional<SessionRecord> session = server.store.LatestSession(device.deviceId)) {
        record.Add("session", session->sessionId)
            .Add("session-state", SessionStateName(session->state))
            .Add("session-operation", session->operation)
            .Add("session-initiator", session->initiator);
        if (session->errorReported) {
            record.Add("session-error-level", std::to_string(session->errorLevel))
                .Add("session-error-message", session->errorMessage);
        }
    }
    if (const std::optional<DialogOutcome> outcome = server.dialogs.LastOutcome(device.deviceId)) {
        record.Add("dialog-code", std::to_string(outcome->code))
            .Add("dialog-input", InputVerdictName(outcome->input))
            .Add("dialog-stop", outcome->stopTicked ? "true" : "false");
    }
    return record;
}

AdminResult ListDevices(const AdminRequest& request, ServerState& server)
{
    AdminResult result;
    if (request.Get("device")) {
        const std::optional<DeviceRecord> device = FindDevice(request, server, result);
        if (device)
            result.records.push_back(DeviceFields(*device, server));
        return result;
    }
    for (const DeviceRecord& device : server.store.ListDevices())
        result.records.push_back(DeviceFields(device, server));
    return result;
}

AdminResult SetDevice(const AdminRequest& request, ServerState& server)
{
    AdminResult result;
    std::optional<DeviceRecord> device = FindDevice(request, server, result);
    if (!device)
        return result;
    std::string problem;
    if (const std::optional<std::string> address = request.Get("push-address")) {
        if (!IsHostText(*address))
            return AdminResult::Refused("push-address is not a host name or address");
        device->pushAddress = *address;
    }
    if (const std::optional<std::int64_t> port = request.Number("push-port", 0, 65535, problem))
        device->pushPort = static_cast<int>(*port);
    if (const std::optional<bool> expect = request.Flag("expect-cir", problem))
        device->expectCir = *expect;
    if (const std::optional<KeyDelivery> delivery = request.Delivery("key-delivery", problem))
        device->keyDelivery = *delivery;
    if (!problem.empty())
        return AdminResult::Refused(problem);
    if (!server.store.SaveDevice(*device))
        return AdminResult::Refused("the store failed to save the device", 500);
    result.records.push_back(DeviceFields(*device, server));
    return result;
}

AdminResult Push(const AdminRequest& request, ServerState& server)
{
    AdminResult result;
    const std::optional<DeviceRecord> device = FindDevice(request, server, result);
    if (!device)
        return result;
    const std::string word = request.GetOr("command");
    const std::optional<PushCommand> command = ParsePushCommand(word);
    if (!command)
        return AdminResult::Refused("command \"" + word.substr(0, 32) + "\" is not a push command");
    const std::string parameter = request.GetOr("parameter");
    const std::string kinds = request.GetOr("kinds");
    if (!parameter.empty() && !IsProtocolToken(parameter))
        return AdminResult::Refused("parameter is not 1-64 letters, digits or . _ @ + - = /");
    if (!IsKindsWord(kinds))
        return AdminResult::Refused("kinds \"" + kinds.substr(0, 64) +
                                    "\" is not Contacts, Calendar, Files, "
                                    "Messages or Settings joined by ;");
    const std::optional<AccountRecord> account =
        device->IsRegistered() ? server.store.FindAccount(device->userId) : std::nullopt;
    if (!account)
        return AdminResult::Refused("device " + device->deviceId + " has no keys to sign with", 409);
    const std::optional<PushTarget> target = PushTargetOf(*device, server.settings.pushPort);
    if (!target)
        return AdminResult::Refused("no push address is known for device " + device->deviceId, 409);

    const std::string text = BuildPush(*command, *device, *account, parameter, kinds);
    std::string error;
    if (!server.pushes.SendNow(*target, text, error))
        return AdminResult::Refused("the push was not sent: " + error, 502);
    result.records.push_back(AdminRecord()
                                 .Add("device", device->deviceId)
                                 .Add("text", text)
                                 .Add("address", target->address)
                                 .Add("port", std::to_string(target->port)));
    return result;
}
