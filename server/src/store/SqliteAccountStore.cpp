#include "store/SqliteAccountStore.h"

#include "ServerLog.h"
#include "store/AccountStoreSchema.h"

namespace {

constexpr int kFirstUserNumber = 100001;

constexpr const char* kAccountColumns = "user_id, user_key, password, msisdn, config_version, created_ms";
constexpr const char* kDeviceColumns =
    "device_id, user_id, device_key, key_delivery, push_address, push_port, "
    "last_address, user_agent, agent, imsi, retry_number, expect_cir, "
    "created_ms, last_seen_ms";
constexpr const char* kSessionColumns =
    "session_id, device_id, challenge, state, operation, initiator, created_ms, "
    "last_used_ms, error_reported, error_level, error_message";

AccountRecord ReadAccount(const CSqliteStatement& row)
{
    AccountRecord account;
    account.userId = row.Text(0);
    account.userKey = row.Text(1);
    account.password = row.Text(2);
    account.msisdn = row.Text(3);
    account.configVersion = row.Int(4);
    account.createdMs = row.Int(5);
    return account;
}

DeviceRecord ReadDevice(const CSqliteStatement& row)
{
    DeviceRecord device;
    device.deviceId = row.Text(0);
    device.userId = row.Text(1);
    device.deviceKey = row.Text(2);
    device.keyDelivery = ParseKeyDelivery(row.Text(3)).value_or(KeyDelivery::Header);
    device.pushAddress = row.Text(4);
    device.pushPort = static_cast<int>(row.Int(5));
    device.lastAddress = row.Text(6);
    device.userAgent = row.Text(7);
    device.agent = row.Text(8);
    device.imsi = row.Text(9);
    device.retryNumber = row.Int(10);
    device.expectCir = row.Int(11) != 0;
    device.createdMs = row.Int(12);
    device.lastSeenMs = row.Int(13);
    return device;
}

SessionState SessionStateOf(std::string_view word)
{
    if (word == "negotiated")
        return SessionState::Negotiated;
    if (word == "completed")
        return SessionState::Completed;
    return SessionState::Started;
}

SessionRecord ReadSession(const CSqliteStatement& row)
{
    SessionRecord session;
    session.sessionId = row.Text(0);
    session.deviceId = row.Text(1);
    session.challenge = row.Text(2);
    session.state = SessionStateOf(row.Text(3));
    session.operation = row.Text(4);
    session.initiator = row.Text(5);
    session.createdMs = row.Int(6);
    session.lastUsedMs = row.Int(7);
    session.errorReported = row.Int(8) != 0;
    session.errorLevel = row.Int(9);
    session.errorMessage = row.Text(10);
    return session;
}

} // namespace

bool CSqliteAccountStore::Open(const std::filesystem::path& path, std::string& error)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const SqlResult opened = m_db.Open(path);
    if (!opened.Ok()) {
        error = "cannot open " + path.string() + ": " + opened.message;
        return false;
    }
    const SqlResult result = m_db.EnsureSchema(kAccountStoreSchemaVersion, kAccountStoreSchema);
    if (!result.Ok()) {
        error = "cannot use the tables of " + path.string() + ": " + result.message;
        m_db.Close();
        return false;
    }
    return true;
}

bool CSqliteAccountStore::Failed(const SqlResult& result, std::string_view what)
{
    if (result.Ok())
        return false;
    ServerLog("store: " + std::string(what) + " failed: " + result.message);
    return true;
}

bool CSqliteAccountStore::ExistsAccount(std::string_view userId)
{
    CSqliteStatement query = m_db.Prepare("SELECT 1 FROM accounts WHERE user_id = ?");
    query.Bind(1, userId);
    return query.Step();
}

std::optional<AccountRecord> CSqliteAccountStore::CreateAccount(AccountRecord account,
                                                                std::span<const SettingValue> settings,
                                                                const DeviceRecord* device)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (account.userId.empty()) {
        CSqliteStatement count = m_db.Prepare("SELECT COUNT(*) FROM accounts");
        std::int64_t number = kFirstUserNumber + (count.Step() ? count.Int(0) : 0);
        while (ExistsAccount(std::to_string(number)))
            ++number;
        account.userId = std::to_string(number);
    } else if (ExistsAccount(account.userId)) {
        return std::nullopt;
    }

    if (Failed(m_db.Begin(), "account creation"))
        return std::nullopt;
    CSqliteStatement insert =
        m_db.Prepare(std::string("INSERT INTO accounts (") + kAccountColumns + ") VALUES (?, ?, ?, ?, ?, ?)");
    insert.Bind(1, account.userId)
        .Bind(2, account.userKey)
        .Bind(3, account.password)
        .Bind(4, account.msisdn)
        .Bind(5, account.configVersion)
        .Bind(6, account.createdMs);
    SqlResult result = insert.Run();
    CSqliteStatement setting =
        m_db.Prepare("INSERT INTO account_settings (user_id, name, value) VALUES (?, ?, ?)");
    for (std::size_t i = 0; result.Ok() && i < settings.size(); ++i) {
        setting.Reset();
        setting.Bind(1, account.userId).Bind(2, settings[i].name).Bind(3, settings[i].value);
        result = setting.Run();
    }
    if (result.Ok() && device) {
        DeviceRecord attached = *device;
        attached.userId = account.userId;
        if (!SaveDeviceLocked(attached))
            result = {1, "device record not written"};
    }
    if (result.Ok())
        result = m_db.Commit();
    if (Failed(result, "account creation")) {
        m_db.Rollback();
        return std::nullopt;
    }
    return account;
}

std::optional<AccountRecord> CSqliteAccountStore::FindAccountLocked(std::string_view userId)
{
    CSqliteStatement query =
        m_db.Prepare(std::string("SELECT ") + kAccountColumns + " FROM accounts WHERE user_id = ?");
    query.Bind(1, userId);
    if (query.Step())
        return ReadAccount(query);
    Failed(query.Result(), "account lookup");
    return std::nullopt;
}

std::optional<AccountRecord> CSqliteAccountStore::FindAccount(std::string_view userId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return FindAccountLocked(userId);
}

std::vector<AccountRecord> CSqliteAccountStore::ListAccounts()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<AccountRecord> accounts;
    CSqliteStatement query =
        m_db.Prepare(std::string("SELECT ") + kAccountColumns + " FROM accounts ORDER BY rowid");
    while (query.Step())
        accounts.push_back(ReadAccount(query));
    Failed(query.Result(), "account list");
    return accounts;
}

std::optional<bool> CSqliteAccountStore::DeleteAccount(std::string_view userId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    // One statement: the account's records go with it through their foreign keys, all or nothing.
    CSqliteStatement drop = m_db.Prepare("DELETE FROM accounts WHERE user_id = ?");
    drop.Bind(1, userId);
    if (Failed(drop.Run(), "account deletion"))
        return std::nullopt;
    return m_db.Changes() == 1;
}

std::vector<SettingValue> CSqliteAccountStore::Settings(std::string_view userId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<SettingValue> settings;
    CSqliteStatement query =
        m_db.Prepare("SELECT name, value FROM account_settings WHERE user_id = ? ORDER BY rowid");
    query.Bind(1, userId);
    while (query.Step())
        settings.push_back({query.Text(0), query.Text(1)});
    Failed(query.Result(), "settings lookup");
    return settings;
}

std::optional<std::int64_t> CSqliteAccountStore::UpdateSettings(std::string_view userId,
                                                                std::span<const SettingValue> values,
                                                                std::span<const std::string> removals,
                                                                VersionBump bump)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!ExistsAccount(userId) || Failed(m_db.Begin(), "settings update"))
        return std::nullopt;
    SqlResult result;
    CSqliteStatement upsert =
        m_db.Prepare("INSERT INTO account_settings (user_id, name, value) VALUES (?, ?, ?) "
                     "ON CONFLICT (user_id, name) DO UPDATE SET value = excluded.value");
    for (std::size_t i = 0; result.Ok() && i < values.size(); ++i) {
        upsert.Reset();
        upsert.Bind(1, userId).Bind(2, values[i].name).Bind(3, values[i].value);
        result = upsert.Run();
    }
    CSqliteStatement remove = m_db.Prepare("DELETE FROM account_settings WHERE user_id = ? AND name = ?");
    for (std::size_t i = 0; result.Ok() && i < removals.size(); ++i) {
        remove.Reset();
        remove.Bind(1, userId).Bind(2, removals[i]);
        result = remove.Run();
    }
    if (result.Ok() && bump == VersionBump::Yes) {
        CSqliteStatement raise =
            m_db.Prepare("UPDATE accounts SET config_version = config_version + 1 WHERE user_id = ?");
        raise.Bind(1, userId);
        result = raise.Run();
    }
    std::optional<AccountRecord> account;
    if (result.Ok())
        account = FindAccountLocked(userId);
    if (result.Ok() && account)
        result = m_db.Commit();
    if (Failed(result, "settings update") || !account) {
        m_db.Rollback();
        return std::nullopt;
    }
    return account->configVersion;
}

std::optional<DeviceRecord> CSqliteAccountStore::FindDevice(std::string_view deviceId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CSqliteStatement query =
        m_db.Prepare(std::string("SELECT ") + kDeviceColumns + " FROM devices WHERE device_id = ?");
    query.Bind(1, deviceId);
    if (query.Step())
        return ReadDevice(query);
    Failed(query.Result(), "device lookup");
    return std::nullopt;
}

std::vector<DeviceRecord> CSqliteAccountStore::ListDevices()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<DeviceRecord> devices;
    CSqliteStatement query =
        m_db.Prepare(std::string("SELECT ") + kDeviceColumns + " FROM devices ORDER BY rowid");
    while (query.Step())
        devices.push_back(ReadDevice(query));
    Failed(query.Result(), "device list");
    return devices;
}

bool CSqliteAccountStore::SaveDeviceLocked(const DeviceRecord& device)
{
    CSqliteStatement save = m_db.Prepare(
        std::string("INSERT INTO devices (") + kDeviceColumns +
        ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (device_id) DO UPDATE SET "
        "user_id = excluded.user_id, device_key = excluded.device_key, key_delivery = excluded.key_delivery, "
        "push_address = excluded.push_address, push_port = excluded.push_port, "
        "last_address = excluded.last_address, user_agent = excluded.user_agent, agent = excluded.agent, "
        "imsi = excluded.imsi, retry_number = excluded.retry_number, expect_cir = excluded.expect_cir, "
        "last_seen_ms = excluded.last_seen_ms");
    save.Bind(1, device.deviceId);
    if (device.userId.empty())
        save.BindNull(2);
    else
        save.Bind(2, device.userId);
    save.Bind(3, device.deviceKey)
        .Bind(4, KeyDeliveryWord(device.keyDelivery))
        .Bind(5, device.pushAddress)
        .Bind(6, device.pushPort)
        .Bind(7, device.lastAddress)
        .Bind(8, device.userAgent)
        .Bind(9, device.agent)
        .Bind(10, device.imsi)
        .Bind(11, device.retryNumber)
        .Bind(12, device.expectCir ? 1 : 0)
        .Bind(13, device.createdMs)
        .Bind(14, device.lastSeenMs);
    return !Failed(save.Run(), "device save");
}

bool CSqliteAccountStore::SaveDevice(const DeviceRecord& device)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return SaveDeviceLocked(device);
}

bool CSqliteAccountStore::RecordContact(const DeviceContact& contact)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CSqliteStatement update = m_db.Prepare(
        "UPDATE devices SET last_address = ?, user_agent = COALESCE(NULLIF(?, ''), user_agent), "
        "agent = COALESCE(NULLIF(?, ''), agent), imsi = COALESCE(NULLIF(?, ''), imsi), last_seen_ms = ? "
        "WHERE device_id = ?");
    update.Bind(1, contact.address)
        .Bind(2, contact.userAgent)
        .Bind(3, contact.agent)
        .Bind(4, contact.imsi)
        .Bind(5, contact.seenMs)
        .Bind(6, contact.deviceId);
    return !Failed(update.Run(), "device contact");
}

bool CSqliteAccountStore::SaveSession(const SessionRecord& session)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    // An upsert rather than a replace keeps the row (and its order among the device's sessions).
    CSqliteStatement save = m_db.Prepare(
        std::string("INSERT INTO sessions (") + kSessionColumns +
        ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (session_id) DO UPDATE SET "
        "state = excluded.state, operation = excluded.operation, initiator = excluded.initiator, "
        "last_used_ms = excluded.last_used_ms, error_reported = excluded.error_reported, "
        "error_level = excluded.error_level, error_message = excluded.error_message");
    save.Bind(1, session.sessionId)
        .Bind(2, session.deviceId)
        .Bind(3, session.challenge)
        .Bind(4, SessionStateName(session.state))
        .Bind(5, session.operation)
        .Bind(6, session.initiator)
        .Bind(7, session.createdMs)
        .Bind(8, session.lastUsedMs)
        .Bind(9, session.errorReported ? 1 : 0)
        .Bind(10, session.errorLevel)
        .Bind(11, session.errorMessage);
    return !Failed(save.Run(), "session save");
}

std::optional<SessionRecord> CSqliteAccountStore::FindSession(std::string_view sessionId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CSqliteStatement query =
        m_db.Prepare(std::string("SELECT ") + kSessionColumns + " FROM sessions WHERE session_id = ?");
    query.Bind(1, sessionId);
    if (query.Step())
        return ReadSession(query);
    Failed(query.Result(), "session lookup");
    return std::nullopt;
}

std::optional<SessionRecord> CSqliteAccountStore::LatestSession(std::string_view deviceId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CSqliteStatement query =
        m_db.Prepare(std::string("SELECT ") + kSessionColumns +
                     " FROM sessions WHERE device_id = ? ORDER BY created_ms DESC, rowid DESC "
                     "LIMIT 1");
    query.Bind(1, deviceId);
    if (query.Step())
        return ReadSession(query);
    Failed(query.Result(), "session lookup");
    return std::nullopt;
}

int CSqliteAccountStore::DropSessionsUnusedSince(std::int64_t beforeMs)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CSqliteStatement drop = m_db.Prepare("DELETE FROM sessions WHERE last_used_ms < ?");
    drop.Bind(1, beforeMs);
    if (Failed(drop.Run(), "session clean-up"))
        return 0;
    return m_db.Changes();
}
