#pragma once
// The account store and the accounts' data in one SQLite file ("refserver.db" in the server's data
// folder). The PIM items are in SqlitePimItems.cpp, the text messages in SqliteSmsMessages.cpp, the
// media files in SqliteMediaFiles.cpp.
//
// One connection guarded by a mutex: the server's request threads take turns, and every multi-row
// change runs in one immediate transaction, so a crash leaves each change whole or absent.

#include "store/AccountStore.h"
#include "store/MediaStore.h"
#include "store/PimItemStore.h"
#include "store/SmsStore.h"

#include "platform/Sqlite.h"

#include <filesystem>
#include <mutex>

class CSqliteAccountStore final : public CAccountStore,
                                  public CPimItemStore,
                                  public CSmsStore,
                                  public CMediaStore {
public:
    // Opens or creates the store; ":memory:" keeps it in memory. False (reason in `error`) when the
    // file cannot be opened, or was made by a newer server.
    bool Open(const std::filesystem::path& path, std::string& error);

    std::optional<AccountRecord> CreateAccount(AccountRecord account, std::span<const SettingValue> settings,
                                               const DeviceRecord* device) override;
    std::optional<AccountRecord> FindAccount(std::string_view userId) override;
    std::vector<AccountRecord> ListAccounts() override;
    std::optional<bool> DeleteAccount(std::string_view userId) override;
    std::vector<SettingValue> Settings(std::string_view userId) override;
    std::optional<std::int64_t> UpdateSettings(std::string_view userId, std::span<const SettingValue> values,
                                               std::span<const std::string> removals,
                                               VersionBump bump) override;
    std::optional<DeviceRecord> FindDevice(std::string_view deviceId) override;
    std::vector<DeviceRecord> ListDevices() override;
    bool SaveDevice(const DeviceRecord& device) override;
    bool RecordContact(const DeviceContact& contact) override;
    bool SaveSession(const SessionRecord& session) override;
    std::optional<SessionRecord> FindSession(std::string_view sessionId) override;
    std::optional<SessionRecord> LatestSession(std::string_view deviceId) override;
    int DropSessionsUnusedSince(std::int64_t beforeMs) override;

    std::optional<std::int64_t> PimVersion(std::string_view userId) override;
    std::vector<PimItem> PimItems(std::string_view userId, PimKind kind, WithText text) override;
    std::vector<PimItem> FindPimItems(std::string_view userId, PimKind kind,
                                      std::span<const std::string> guids) override;
    std::vector<PimItem> PimItemsWithCrc(std::string_view userId, PimKind kind, std::uint32_t crc) override;
    std::vector<PimMapEntry> PimMap(std::string_view userId, std::string_view deviceId,
                                    PimKind kind) override;
    std::vector<PimMapEntry> PimMapByLuid(std::string_view userId, std::string_view deviceId, PimKind kind,
                                          std::span<const std::string> luids) override;
    std::vector<PimMapEntry> PimMapByGuid(std::string_view userId, std::string_view deviceId, PimKind kind,
                                          std::span<const std::string> guids) override;
    bool ApplyPimChanges(std::string_view userId, std::string_view deviceId, PimKind kind,
                         const PimChanges& changes) override;

    std::vector<SmsRecord> SmsMessages(std::string_view userId) override;
    bool AddSmsMessages(std::string_view userId, std::span<const SmsRecord> messages) override;
    std::optional<bool> MarkSmsDeleted(std::string_view userId, std::int64_t id) override;

    std::vector<MediaFile> MediaFiles(std::string_view userId) override;
    std::optional<MediaFile> FindMediaFile(std::string_view userId, std::int64_t id) override;
    std::optional<std::int64_t> SaveMediaFile(std::string_view userId, const MediaFile& file) override;
    std::vector<MediaCopy> MediaCopies(std::string_view userId, std::string_view deviceId) override;
    bool SaveMediaCopy(std::string_view userId, std::string_view deviceId, const MediaCopy& copy) override;
    bool DropMediaCopy(std::string_view userId, std::string_view deviceId, std::int64_t id) override;

private:
    bool ExistsAccount(std::string_view userId);
    std::optional<AccountRecord> FindAccountLocked(std::string_view userId);
    bool SaveDeviceLocked(const DeviceRecord& device);
    bool Failed(const SqlResult& result, std::string_view what);
    std::vector<PimMapEntry> PimMapWhere(std::string_view column, std::string_view userId,
                                         std::string_view deviceId, PimKind kind,
                                         std::span<const std::string> keys);

    std::mutex m_mutex;
    CSqliteDb m_db;
};
