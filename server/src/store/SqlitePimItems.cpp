// The PIM items and device maps of CSqliteAccountStore.

#include "store/SqliteAccountStore.h"

#include <array>

namespace {

constexpr const char* kItemColumns = "guid, crc, version, changed_by, changed_ms, deleted, text";
constexpr const char* kItemColumnsWithoutText = "guid, crc, version, changed_by, changed_ms, deleted, ''";
constexpr const char* kMapColumns = "luid, guid, crc, version, confirmed";

constexpr std::array<const char*, 3> kKindWords = {"contact", "event", "todo"};

PimItem ReadItem(const CSqliteStatement& row)
{
    PimItem item;
    item.guid = row.Text(0);
    item.crc = static_cast<std::uint32_t>(row.Int(1));
    item.version = row.Int(2);
    item.changedBy = row.Text(3);
    item.changedMs = row.Int(4);
    item.deleted = row.Int(5) != 0;
    item.text = row.Text(6);
    return item;
}

PimMapEntry ReadEntry(const CSqliteStatement& row)
{
    PimMapEntry entry;
    entry.luid = row.Text(0);
    entry.guid = row.Text(1);
    entry.crc = row.Text(2);
    entry.version = row.Int(3);
    entry.confirmed = row.Int(4) != 0;
    return entry;
}

} // namespace

const char* PimKindWord(PimKind kind)
{
    return kKindWords[static_cast<std::size_t>(kind)];
}

std::optional<PimKind> ParsePimKind(std::string_view word)
{
    for (std::size_t i = 0; i < kKindWords.size(); ++i) {
        if (word == kKindWords[i])
            return static_cast<PimKind>(i);
    }
    return std::nullopt;
}

std::optional<std::int64_t> CSqliteAccountStore::PimVersion(std::string_view userId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CSqliteStatement query = m_db.Prepare("SELECT version FROM pim_versions WHERE user_id = ?");
    query.Bind(1, userId);
    if (query.Step())
        return query.Int(0);
    if (Failed(query.Result(), "PIM version lookup"))
        return std::nullopt;
    return 0;
}

std::vector<PimItem> CSqliteAccountStore::PimItems(std::string_view userId, PimKind kind, WithText text)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<PimItem> items;
    CSqliteStatement query = m_db.Prepare(std::string("SELECT ") +
                                          (text == WithText::Yes ? kItemColumns : kItemColumnsWithoutText) +
                                          " FROM pim_items WHERE user_id = ? AND kind = ? ORDER BY rowid");
    query.Bind(1, userId).Bind(2, PimKindWord(kind));
    while (query.Step())
        items.push_back(ReadItem(query));
    Failed(query.Result(), "PIM item list");
    return items;
}

std::vector<PimItem> CSqliteAccountStore::FindPimItems(std::string_view userId, PimKind kind,
                                                       std::span<const std::string> guids)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<PimItem> items;
    CSqliteStatement query = m_db.Prepare(std::string("SELECT ") + kItemColumns +
                                          " FROM pim_items WHERE user_id = ? AND kind = ? AND guid = ?");
    for (const std::string& guid : guids) {
        query.Reset();
        query.Bind(1, userId).Bind(2, PimKindWord(kind)).Bind(3, guid);
        if (query.Step())
            items.push_back(ReadItem(query));
        else if (Failed(query.Result(), "PIM item lookup"))
            break;
    }
    return items;
}

std::vector<PimItem> CSqliteAccountStore::PimItemsWithCrc(std::string_view userId, PimKind kind,
                                                          std::uint32_t crc)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<PimItem> items;
    CSqliteStatement query = m_db.Prepare(
        std::string("SELECT ") + kItemColumns +
        " FROM pim_items WHERE user_id = ? AND kind = ? AND crc = ? AND deleted = 0 ORDER BY rowid");
    query.Bind(1, userId).Bind(2, PimKindWord(kind)).Bind(3, static_cast<std::int64_t>(crc));
    while (query.Step())
        items.push_back(ReadItem(query));
    Failed(query.Result(), "PIM item lookup by checksum");
    return items;
}

std::vector<PimMapEntry> CSqliteAccountStore::PimMap(std::string_view userId, std::string_view deviceId,
                                                     PimKind kind)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<PimMapEntry> entries;
    CSqliteStatement query = m_db.Prepare(std::string("SELECT ") + kMapColumns +
                                          " FROM pim_maps WHERE user_id = ? AND device_id = ? AND kind = ?");
    query.Bind(1, userId).Bind(2, deviceId).Bind(3, PimKindWord(kind));
    while (query.Step())
        entries.push_back(ReadEntry(query));
    Failed(query.Result(), "PIM map");
    return entries;
}

std::vector<PimMapEntry> CSqliteAccountStore::PimMapWhere(std::string_view column, std::string_view userId,
                                                          std::string_view deviceId, PimKind kind,
                                                          std::span<const std::string> keys)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<PimMapEntry> entries;
    CSqliteStatement query =
        m_db.Prepare(std::string("SELECT ") + kMapColumns +
                     " FROM pim_maps WHERE user_id = ? AND device_id = ? AND kind = ? AND " +
                     std::string(column) + " = ?");
    for (const std::string& key : keys) {
        query.Reset();
        query.Bind(1, userId).Bind(2, deviceId).Bind(3, PimKindWord(kind)).Bind(4, key);
        if (query.Step())
            entries.push_back(ReadEntry(query));
        else if (Failed(query.Result(), "PIM map lookup"))
            break;
    }
    return entries;
}

std::vector<PimMapEntry> CSqliteAccountStore::PimMapByLuid(std::string_view userId, std::string_view deviceId,
                                                           PimKind kind, std::span<const std::string> luids)
{
    return PimMapWhere("luid", userId, deviceId, kind, luids);
}

std::vector<PimMapEntry> CSqliteAccountStore::PimMapByGuid(std::string_view userId, std::string_view deviceId,
                                                           PimKind kind, std::span<const std::string> guids)
{
    return PimMapWhere("guid", userId, deviceId, kind, guids);
}

bool CSqliteAccountStore::ApplyPimChanges(std::string_view userId, std::string_view deviceId, PimKind kind,
                                          const PimChanges& changes)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (Failed(m_db.Begin(), "PIM change"))
        return false;
    const char* word = PimKindWord(kind);
    SqlResult result;
    CSqliteStatement item = m_db.Prepare(
        "INSERT INTO pim_items (user_id, kind, guid, text, crc, version, changed_by, changed_ms, deleted) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (user_id, kind, guid) DO UPDATE SET "
        "text = excluded.text, crc = excluded.crc, version = excluded.version, "
        "changed_by = excluded.changed_by, changed_ms = excluded.changed_ms, deleted = excluded.deleted");
    for (std::size_t i = 0; result.Ok() && i < changes.items.size(); ++i) {
        const PimItem& written = changes.items[i];
        item.Reset();
        item.Bind(1, userId)
            .Bind(2, word)
            .Bind(3, written.guid)
            .Bind(4, written.text)
            .Bind(5, static_cast<std::int64_t>(written.crc))
            .Bind(6, written.version)
            .Bind(7, written.changedBy)
            .Bind(8, written.changedMs)
            .Bind(9, written.deleted ? 1 : 0);
        result = item.Run();
    }
    CSqliteStatement drop = m_db.Prepare(
        "DELETE FROM pim_maps WHERE user_id = ? AND device_id = ? AND kind = ? AND (luid = ? OR guid = ?)");
    CSqliteStatement entry = m_db.Prepare(std::string("INSERT INTO pim_maps (user_id, device_id, kind, ") +
                                          kMapColumns + ") VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    for (std::size_t i = 0; result.Ok() && i < changes.droppedLuids.size(); ++i) {
        drop.Reset();
        drop.Bind(1, userId).Bind(2, deviceId).Bind(3, word).Bind(4, changes.droppedLuids[i]).Bind(5, "");
        result = drop.Run();
    }
    for (std::size_t i = 0; result.Ok() && i < changes.entries.size(); ++i) {
        const PimMapEntry& written = changes.entries[i];
        drop.Reset();
        drop.Bind(1, userId).Bind(2, deviceId).Bind(3, word).Bind(4, written.luid).Bind(5, written.guid);
        result = drop.Run();
        if (!result.Ok())
            break;
        entry.Reset();
        entry.Bind(1, userId)
            .Bind(2, deviceId)
            .Bind(3, word)
            .Bind(4, written.luid)
            .Bind(5, written.guid)
            .Bind(6, written.crc)
            .Bind(7, written.version)
            .Bind(8, written.confirmed ? 1 : 0);
        result = entry.Run();
    }
    if (result.Ok() && changes.version > 0) {
        CSqliteStatement version =
            m_db.Prepare("INSERT INTO pim_versions (user_id, version) VALUES (?, ?) "
                         "ON CONFLICT (user_id) DO UPDATE SET version = excluded.version");
        version.Bind(1, userId).Bind(2, changes.version);
        result = version.Run();
    }
    if (result.Ok())
        result = m_db.Commit();
    if (Failed(result, "PIM change")) {
        m_db.Rollback();
        return false;
    }
    return true;
}
