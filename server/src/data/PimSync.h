#pragma once
// The PIM side of the account server: which items a device's checksum list asks for, uploads taken into
// the account, the restore a device receives in chunks, the map that ties the device's luids to what it
// received, and the operator's own changes to items.
//
// Every change of an item gives it the account's next version; a device's map entry records which
// version its copy is of. A Sync sends a device the items it has no copy of, those whose version is
// newer than its copy's, and the deletions of items it holds. Nothing a device sends can delete an
// item that another device changed since: a change wins over a deletion. An upload the server cannot
// place by luid is matched by its exact text against the items the device has no copy of, so a device
// that applied a restore but lost the answer to its map sends no duplicates on its next Sync.
//
// Thread-safe: every operation runs under one lock, so the read-modify-write of a step never
// interleaves with another's (the reference server favours simplicity over throughput). What a
// session carries from step to step (the luids a device stopped listing, the restore it is being
// served) lives in memory for a bounded number of devices: a restarted server answers the rest of a
// session with an error and the next Sync starts afresh.

#include "data/CalendarWindow.h"
#include "data/PimDocuments.h"
#include "store/PimItemStore.h"

#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct PimScope {
    std::string userId;
    std::string deviceId;
    std::string sessionId;
    PimKind kind = PimKind::Contact;
};

enum class RestoreMode {
    Changes,    // what the device lacks since its last sync (a Sync)
    Everything, // every live item (a Restore)
};

struct RestoreChunk {
    std::size_t total = 0;      // items in the whole restore
    std::size_t nextOffset = 0; // where the next chunk starts; `total` after the last
    std::vector<RestoreItem> items;
};

struct MapOutcome {
    std::size_t mapped = 0;
    std::size_t deleted = 0;
    std::size_t unapplied = 0; // records without a luid: the device could not apply the item
    std::size_t unknown = 0;   // records of guids the restore did not hold
};

class CPimSync {
public:
    explicit CPimSync(CPimItemStore& store);

    // The luids of `listing` the server wants: those it has not seen from this device and those whose
    // checksum differs from what the device last reported. Notes the mapped luids the device no longer
    // lists: of calendar items only those `window` surely covers (none without a window). Nothing when
    // the store failed.
    std::optional<std::vector<std::string>> RequestedLuids(const PimScope& scope,
                                                           const ChecksumListing& listing,
                                                           const std::optional<CalendarWindow>& window);
    // Takes one upload chunk into the account. False when the store failed (nothing taken).
    bool TakeUploads(const PimScope& scope, std::span<const UploadedItem> items);
    // The end of a Sync's uploads: deletes the items whose luids the session's checksum list left out,
    // unless another device changed them since this one's copy. False when the store failed.
    bool ApplyDeviceDeletions(const PimScope& scope);

    // Starts serving the device a restore and returns its first chunk. Everything also takes the
    // device's checksum list: a copy it still holds unchanged is replaced in place (its luid is sent),
    // any other is left alone. Nothing when the store failed.
    std::optional<RestoreChunk> StartRestore(const PimScope& scope, RestoreMode mode,
                                             const ChecksumListing& listing, std::size_t maxBytes);
    // The chunk at `offset` of the restore being served: whole items within `maxBytes` (at least one).
    // Nothing, with the reason in `refusal` when the device asked for something the server does not
    // serve (empty when the store failed).
    std::optional<RestoreChunk> Chunk(const PimScope& scope, std::size_t offset, std::size_t maxBytes,
                                      std::string& refusal);
    // Ties the luids the device gave the restored items to their guids and ends the restore. Outside a
    // restore it is the map of an earlier restore whose map never arrived: see ApplyLateMapLocked.
    // Nothing when the store failed.
    std::optional<MapOutcome> ApplyMap(const PimScope& scope, std::span<const MapRecord> records);

    // The operator's view and changes. A change or deletion of a deleted or unknown item is refused
    // (false, reason in `refusal`; empty when the store failed).
    std::vector<PimItem> Items(const std::string& userId, PimKind kind, WithText text);
    std::optional<PimItem> Item(const std::string& userId, const std::string& guid);
    std::optional<PimItem> AddItem(const std::string& userId, PimKind kind, const std::string& text);
    bool ChangeItem(const std::string& userId, const std::string& guid, const std::string& text,
                    std::string& refusal)
    {
        return ChangeOperatorItem(userId, guid, text, refusal);
    }
    bool DeleteItem(const std::string& userId, const std::string& guid, std::string& refusal)
    {
        return ChangeOperatorItem(userId, guid, std::nullopt, refusal);
    }

private:
    struct RestoreEntry {
        std::string guid;
        std::string luid;
        std::string status;
        std::int64_t version = 0;
    };
    struct SessionState {
        std::string sessionId;
        std::string userId;
        std::unordered_set<std::string> unlisted; // mapped luids the checksum list left out
        bool restoring = false;
        std::vector<RestoreEntry> restore;
        std::unordered_map<std::string, std::size_t> restoreIndex; // guid -> position
    };

    // The device's state for the scope's kind, fresh when the session changed; the least recently used
    // state goes when too many devices are remembered.
    SessionState& StateOf(const PimScope& scope);
    std::optional<RestoreChunk> ChunkLocked(const PimScope& scope, const SessionState& state,
                                            std::size_t offset, std::size_t maxBytes);
    std::optional<PimItem> ItemLocked(const std::string& userId, const std::string& guid);
    // A device that applied a restore but lost its map sends the map before its next checksum list.
    // Each luid is tied to its item as a copy of version 0: which version the device applied is not
    // known, so the Sync sends the item again, to that luid, instead of taking the luid for a new item.
    std::optional<MapOutcome> ApplyLateMapLocked(const PimScope& scope, std::span<const MapRecord> records);
    bool WriteOperatorItem(const std::string& userId, PimItem item, std::int64_t version);
    // Gives a live item a new text, or deletes it (no text).
    bool ChangeOperatorItem(const std::string& userId, const std::string& guid,
                            const std::optional<std::string>& text, std::string& refusal);

    CPimItemStore& m_store;
    std::mutex m_mutex;
    std::list<std::pair<std::string, SessionState>> m_states; // most recently used first
};

// The item checksum of a UTF-8 text, as the handset computes it over the text in UTF-16.
std::uint32_t ItemChecksum(std::string_view text);
