// Operator commands on accounts and their settings.

#include "admin/AdminRequest.h"

#include "ServerLog.h"
#include "protocol/Credentials.h"
#include "protocol/SettingsCatalog.h"

#include <algorithm>

namespace {

constexpr std::size_t kMaxPasswordLength = 259;
constexpr std::size_t kMaxMsisdnLength = 32;

// Printable ASCII only: the password travels as a header value.
bool IsPassword(std::string_view text)
{
    if (text.size() > kMaxPasswordLength)
        return false;
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

AdminRecord AccountFields(const AccountRecord& account)
{
    AdminRecord record;
    record.Add("user-id", account.userId)
        .Add("ukey", account.userKey)
        .Add("password", account.password)
        .Add("msisdn", account.msisdn)
        .Add("config-version", std::to_string(account.configVersion))
        .Add("created", std::to_string(account.createdMs));
    return record;
}

// `fields` behind a "kind" field, for answers that mix records of several kinds.
AdminRecord WithKind(std::string kind, const AdminRecord& fields)
{
    AdminRecord record;
    record.Add("kind", std::move(kind));
    record.fields.insert(record.fields.end(), fields.fields.begin(), fields.fields.end());
    return record;
}

} // namespace

AdminResult AddAccount(const AdminRequest& request, ServerState& server)
{
    AccountRecord account;
    account.userId = request.GetOr("user-id");
    account.password = request.GetOr("password");
    account.msisdn = request.GetOr("msisdn");
    if (!account.userId.empty() && !IsProtocolToken(account.userId))
        return AdminResult::Refused("user-id is not 1-64 letters, digits or . _ @ + - = /");
    if (!IsPassword(account.password))
        return AdminResult::Refused("password is not printable ASCII of at most 259 characters");
    if (account.msisdn.size() > kMaxMsisdnLength)
        return AdminResult::Refused("msisdn is longer than 32 characters");

    std::optional<DeviceRecord> device;
    const std::optional<std::string> deviceId = request.Get("device");
    if (!deviceId && (request.Get("device-key") || request.Get("key-delivery")))
        return AdminResult::Refused("device-key and key-delivery need a device");
    if (deviceId) {
        if (!IsProtocolToken(*deviceId))
            return AdminResult::Refused("device is not 1-64 letters, digits or . _ @ + - = /");
        device = server.registrar.DeviceOrNew(*deviceId);
        device->deviceKey = request.GetOr("device-key");
        if (request.Get("device-key") && !IsProtocolToken(device->deviceKey))
            return AdminResult::Refused("device-key is not 1-64 letters, digits or . _ @ + - = /");
        std::string problem;
        if (const std::optional<KeyDelivery> delivery = request.Delivery("key-delivery", problem))
            device->keyDelivery = *delivery;
        if (!problem.empty())
            return AdminResult::Refused(problem);
    }

    std::string error;
    const std::optional<Registration> created = server.registrar.CreateAccount(account, device, error);
    if (!created)
        return AdminResult::Refused(error, 409);
    AdminResult result;
    AdminRecord record = AccountFields(created->account);
    if (device)
        record.Add("device", created->device.deviceId).Add("device-key", created->device.deviceKey);
    result.records.push_back(std::move(record));
    return result;
}

AdminResult ListAccounts(const AdminRequest&, ServerState& server)
{
    AdminResult result;
    const std::vector<DeviceRecord> devices = server.store.ListDevices();
    for (const AccountRecord& account : server.store.ListAccounts()) {
        const auto owned = std::count_if(devices.begin(), devices.end(), [&](const DeviceRecord& device) {
            return device.userId == account.userId;
        });
        result.records.push_back(AccountFields(account).Add("devices", std::to_string(owned)));
    }
    return result;
}

AdminResult ShowAccount(const AdminRequest& request, ServerState& server)
{
    const std::string userId = request.GetOr("user-id");
    const std::optional<AccountRecord> account = server.store.FindAccount(userId);
    if (!account)
        return AdminResult::Refused("there is no account \"" + userId.substr(0, 64) + "\"", 404);
    AdminResult result;
    result.records.push_back(WithKind("account", AccountFields(*account)));
    for (const SettingValue& setting : server.store.Settings(userId))
        result.records.push_back(
            AdminRecord().Add("kind", "setting").Add("name", setting.name).Add("value", setting.value));
    for (const DeviceRecord& device : server.store.ListDevices()) {
        if (device.userId == userId)
            result.records.push_back(WithKind("device", DeviceFields(device, server)));
    }
    return result;
}

AdminResult DeleteAccount(const AdminRequest& request, ServerState& server)
{
    const std::string userId = request.GetOr("user-id");
    const std::optional<bool> deleted =
        server.media.DeleteAccount(userId, [&] { return server.store.DeleteAccount(userId); });
    if (!deleted)
        return AdminResult::Refused("the store failed to delete the account", 500);
    if (!*deleted)
        return AdminResult::Refused("there is no account \"" + userId.substr(0, 64) + "\"", 404);
    ServerLog("account " + userId + " deleted by the operator");
    AdminResult result;
    result.records.push_back(AdminRecord().Add("user-id", userId).Add("deleted", "true"));
    return result;
}

AdminResult SetSettings(const AdminRequest& request, ServerState& server)
{
    const std::string userId = request.GetOr("user-id");
    std::vector<SettingValue> values;
    for (const std::string& assignment : request.GetAll("set")) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos)
            return AdminResult::Refused("set \"" + assignment.substr(0, 64) + "\" is not NAME=VALUE");
        SettingValue value{assignment.substr(0, equals), assignment.substr(equals + 1)};
        if (const std::optional<std::string> problem = SettingProblem(value.name, value.value))
            return AdminResult::Refused(*problem);
        values.push_back(std::move(value));
    }
    const std::vector<std::string> removals = request.GetAll("remove");
    if (values.empty() && removals.empty())
        return AdminResult::Refused("nothing to change: give set or remove");
    if (!server.store.FindAccount(userId))
        return AdminResult::Refused("there is no account \"" + userId.substr(0, 64) + "\"", 404);
    const std::optional<std::int64_t> version =
        server.store.UpdateSettings(userId, values, removals, VersionBump::Yes);
    if (!version)
        return AdminResult::Refused("the store failed to change the settings", 500);
    AdminResult result;
    result.records.push_back(
        AdminRecord().Add("user-id", userId).Add("config-version", std::to_string(*version)));
    return result;
}
