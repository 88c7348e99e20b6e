#pragma once
// What the reference server keeps across restarts: accounts with their settings, devices with their
// keys and push targets, and sessions with the error reports handsets send when they close them.
//
// The server talks to its storage only through CAccountStore; the SQLite implementation lives beside
// it. Implementations are thread-safe: every call may come from any request thread. Failures of the
// storage itself come back as false or nothing and are logged by the implementation; callers answer
// the request with a server error and change nothing else.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct AccountRecord {
    std::string userId;
    std::string userKey;  // "Ukey" of the handsets of this account
    std::string password; // empty: the account has none
    std::string msisdn;
    std::int64_t configVersion = 1;
    std::int64_t createdMs = 0;
};

struct SettingValue {
    std::string name;
    std::string value;
};

enum class KeyDelivery { Header, Push };

// "header", "push": as stored, as the operator and the command line name them.
inline const char* KeyDeliveryWord(KeyDelivery delivery)
{
    return delivery == KeyDelivery::Push ? "push" : "header";
}

// The delivery a word names; nothing for any other word.
inline std::optional<KeyDelivery> ParseKeyDelivery(std::string_view word)
{
    if (word == "header")
        return KeyDelivery::Header;
    if (word == "push")
        return KeyDelivery::Push;
    return std::nullopt;
}

struct DeviceRecord {
    std::string deviceId;
    std::string userId;    // empty while the device is not registered to an account
    std::string deviceKey; // "QX-key" of the handset
    KeyDelivery keyDelivery = KeyDelivery::Header;
    std::string pushAddress; // empty: lastAddress
    int pushPort = 0;        // 0: the server's default push port
    std::string lastAddress; // where the latest request came from
    std::string userAgent;
    std::string agent;
    std::string imsi;
    std::int64_t retryNumber = 0;
    bool expectCir = false;
    std::int64_t createdMs = 0;
    std::int64_t lastSeenMs = 0;

    bool IsRegistered() const { return !userId.empty() && !deviceKey.empty(); }
};

// What a request tells about the device that sent it.
struct DeviceContact {
    std::string deviceId;
    std::string address;
    std::string userAgent; // empty: unchanged
    std::string agent;     // empty: unchanged
    std::string imsi;      // empty: unchanged
    std::int64_t seenMs = 0;
};

enum class SessionState { Started, Negotiated, Completed };

// "started", "negotiated", "completed": as stored and as shown to the operator.
inline const char* SessionStateName(SessionState state)
{
    switch (state) {
    case SessionState::Negotiated:
        return "negotiated";
    case SessionState::Completed:
        return "completed";
    case SessionState::Started:
        break;
    }
    return "started";
}

struct SessionRecord {
    std::string sessionId;
    std::string deviceId;
    std::string challenge;
    SessionState state = SessionState::Started;
    std::string operation; // "QX-Operation" value of the negotiation
    std::string initiator;
    std::int64_t createdMs = 0;
    std::int64_t lastUsedMs = 0;
    bool errorReported = false;
    std::int64_t errorLevel = 0;
    std::string errorMessage;
};

enum class VersionBump { No, Yes };

class CAccountStore {
public:
    virtual ~CAccountStore() = default;

    // Creates the account with its settings, and `device` (registered to it) when given, all or
    // nothing. An empty user id gets the next free number. Nothing when the user id is taken.
    virtual std::optional<AccountRecord> CreateAccount(AccountRecord account,
                                                       std::span<const SettingValue> settings,
                                                       const DeviceRecord* device) = 0;
    virtual std::optional<AccountRecord> FindAccount(std::string_view userId) = 0;
    virtual std::vector<AccountRecord> ListAccounts() = 0;
    // Deletes the account with its settings and data (items, messages, media files and copies); its
    // devices stay, registered to no account. False when there is no such account, nothing when the
    // store failed (and then nothing is deleted).
    virtual std::optional<bool> DeleteAccount(std::string_view userId) = 0;

    // In the order they were first set.
    virtual std::vector<SettingValue> Settings(std::string_view userId) = 0;
    // Sets `values` (adding new names at the end), drops `removals`, and raises the configuration
    // version when asked, all or nothing. The account's version afterwards; nothing when the account
    // does not exist or the store failed.
    virtual std::optional<std::int64_t> UpdateSettings(std::string_view userId,
                                                       std::span<const SettingValue> values,
                                                       std::span<const std::string> removals,
                                                       VersionBump bump) = 0;

    virtual std::optional<DeviceRecord> FindDevice(std::string_view deviceId) = 0;
    virtual std::vector<DeviceRecord> ListDevices() = 0;
    // Inserts or replaces the whole record. A user id must name an existing account.
    virtual bool SaveDevice(const DeviceRecord& device) = 0;
    // Updates only where the device was last seen and what it said about itself, so that a request
    // never undoes a change made meanwhile to the rest of the record. False when the store failed.
    virtual bool RecordContact(const DeviceContact& contact) = 0;

    virtual bool SaveSession(const SessionRecord& session) = 0;
    virtual std::optional<SessionRecord> FindSession(std::string_view sessionId) = 0;
    // The device's most recently created session.
    virtual std::optional<SessionRecord> LatestSession(std::string_view deviceId) = 0;
    // Forgets sessions not used since `beforeMs`; how many went.
    virtual int DropSessionsUnusedSince(std::int64_t beforeMs) = 0;
};
