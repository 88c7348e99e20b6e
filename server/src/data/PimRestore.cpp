// The restore a device receives: what it holds is fixed when the restore starts, served in chunks of
// whole items, and ended by the device's map.

#include "data/PimSync.h"

#include <algorithm>

namespace {

// Texts are read from the store this many items at a time while a chunk fills.
constexpr std::size_t kTextBatch = 256;

} // namespace

std::optional<RestoreChunk> CPimSync::StartRestore(const PimScope& scope, RestoreMode mode,
                                                   const ChecksumListing& listing, std::size_t maxBytes)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    SessionState& state = StateOf(scope);
    state.restoring = false;
    state.restore.clear();
    state.restoreIndex.clear();

    std::unordered_map<std::string, PimMapEntry> byGuid;
    for (PimMapEntry& entry : m_store.PimMap(scope.userId, scope.deviceId, scope.kind))
        byGuid.emplace(entry.guid, std::move(entry));
    if (mode == RestoreMode::Everything) {
        // Only a copy the device lists unchanged is replaced in place; any other copy it holds stays as
        // it is and becomes unknown to the server (its next Sync uploads it).
        std::unordered_map<std::string, std::string> listed;
        for (const ChecksumEntry& entry : listing.entries)
            listed.emplace(entry.luid, entry.crc);
        PimChanges changes;
        for (auto held = byGuid.begin(); held != byGuid.end();) {
            const auto found = listed.find(held->second.luid);
            if (found != listed.end() && found->second == held->second.crc) {
                ++held;
                continue;
            }
            changes.droppedLuids.push_back(held->second.luid);
            held = byGuid.erase(held);
        }
        if (!changes.droppedLuids.empty() &&
            !m_store.ApplyPimChanges(scope.userId, scope.deviceId, scope.kind, changes))
            return std::nullopt;
    }

    for (const PimItem& item : m_store.PimItems(scope.userId, scope.kind, WithText::No)) {
        const auto held = byGuid.find(item.guid);
        RestoreEntry entry{item.guid, {}, {}, item.version};
        if (held == byGuid.end()) {
            if (item.deleted)
                continue;
            entry.status = "added";
        } else if (mode == RestoreMode::Everything) {
            if (item.deleted)
                continue;
            entry.luid = held->second.luid;
            entry.status = "updated";
        } else {
            if (held->second.version >= item.version)
                continue;
            entry.luid = held->second.luid;
            entry.status = item.deleted ? "deleted" : "updated";
        }
        state.restoreIndex.emplace(entry.guid, state.restore.size());
        state.restore.push_back(std::move(entry));
    }
    state.restoring = true;
    return ChunkLocked(scope, state, 0, maxBytes);
}

std::optional<RestoreChunk> CPimSync::Chunk(const PimScope& scope, std::size_t offset, std::size_t maxBytes,
                                            std::string& refusal)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const SessionState& state = StateOf(scope);
    if (!state.restoring) {
        refusal = "no restore is being served to this handset in this session; start the operation again";
        return std::nullopt;
    }
    if (offset > state.restore.size()) {
        refusal = "QX-ChunkOffset " + std::to_string(offset) + " lies beyond the restore's " +
                  std::to_string(state.restore.size()) + " items";
        return std::nullopt;
    }
    return ChunkLocked(scope, state, offset, maxBytes);
}

std::optional<RestoreChunk> CPimSync::ChunkLocked(const PimScope& scope, const SessionState& state,
                                                  std::size_t offset, std::size_t maxBytes)
{
    RestoreChunk chunk;
    chunk.total = state.restore.size();
    std::size_t bytes = kRestoreChunkOverhead;
    std::size_t next = offset;
    bool full = false;
    while (!full && next < state.restore.size()) {
        const std::size_t batchEnd = std::min(state.restore.size(), next + kTextBatch);
        std::vector<std::string> guids;
        for (std::size_t i = next; i < batchEnd; ++i)
            guids.push_back(state.restore[i].guid);
        std::unordered_map<std::string, std::string> texts;
        for (PimItem& item : m_store.FindPimItems(scope.userId, scope.kind, guids))
            texts.emplace(item.guid, std::move(item.text));
        for (; next < batchEnd; ++next) {
            const RestoreEntry& entry = state.restore[next];
            const auto text = texts.find(entry.guid);
            if (text == texts.end())
                return std::nullopt;
            RestoreItem item{entry.luid, entry.guid, entry.status,
                             entry.status == "deleted" ? std::string() : std::move(text->second)};
            const std::size_t itemBytes = RestoreItemBytes(item);
            // Whole items only; one item bigger than the bound travels alone.
            if (!chunk.items.empty() && bytes + itemBytes > maxBytes) {
                full = true;
                break;
            }
            bytes += itemBytes;
            chunk.items.push_back(std::move(item));
        }
    }
    chunk.nextOffset = next;
    return chunk;
}

std::optional<MapOutcome> CPimSync::ApplyMap(const PimScope& scope, std::span<const MapRecord> records)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    SessionState& state = StateOf(scope);
    if (!state.restoring)
        return ApplyLateMapLocked(scope, records);
    MapOutcome outcome;
    PimChanges changes;
    for (const MapRecord& record : records) {
        const auto found = state.restoring ? state.restoreIndex.find(record.guid) : state.restoreIndex.end();
        if (found == state.restoreIndex.end()) {
            ++outcome.unknown;
            continue;
        }
        const RestoreEntry& entry = state.restore[found->second];
        if (entry.status == "deleted") {
            changes.droppedLuids.push_back(entry.luid);
            ++outcome.deleted;
        } else if (record.luid.empty()) {
            // The device's old copy is gone with the failed update: the item is sent again, as new.
            if (!entry.luid.empty())
                changes.droppedLuids.push_back(entry.luid);
            ++outcome.unapplied;
        } else {
            // Unconfirmed until the device lists the luid: a luid it never lists did not arrive.
            changes.entries.push_back({record.luid, entry.guid, record.crc, entry.version, false});
            ++outcome.mapped;
        }
    }
    if (!m_store.ApplyPimChanges(scope.userId, scope.deviceId, scope.kind, changes))
        return std::nullopt;
    state.restoring = false;
    state.restore.clear();
    state.restoreIndex.clear();
    return outcome;
}

std::optional<MapOutcome> CPimSync::ApplyLateMapLocked(const PimScope& scope, std::span<const MapRecord> records)
{
    std::vector<std::string> guids;
    for (const MapRecord& record : records)
        guids.push_back(record.guid);
    std::unordered_set<std::string> known;
    for (const PimItem& item : m_store.FindPimItems(scope.userId, scope.kind, guids))
        known.insert(item.guid);
    std::unordered_map<std::string, std::string> heldLuids; // guid -> the device's copy
    for (const PimMapEntry& entry : m_store.PimMapByGuid(scope.userId, scope.deviceId, scope.kind, guids))
        heldLuids.emplace(entry.guid, entry.luid);

    MapOutcome outcome;
    PimChanges changes;
    for (const MapRecord& record : records) {
        if (known.count(record.guid) == 0) {
            ++outcome.unknown;
        } else if (record.status == "deleted" || record.luid.empty()) {
            // The device's copy is gone: deleted as asked, or lost with a failed update.
            if (const auto held = heldLuids.find(record.guid); held != heldLuids.end())
                changes.droppedLuids.push_back(held->second);
            ++(record.status == "deleted" ? outcome.deleted : outcome.unapplied);
        } else {
            changes.entries.push_back({record.luid, record.guid, record.crc, 0, false});
            ++outcome.mapped;
        }
    }
    if (!m_store.ApplyPimChanges(scope.userId, scope.deviceId, scope.kind, changes))
        return std::nullopt;
    return outcome;
}
