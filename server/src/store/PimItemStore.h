#pragma once
// The accounts' contacts, appointments and tasks as the server keeps them, and what each device holds
// of them.
//
// Per account and kind, every item has a server id (guid), its text exactly as it came (vCard or
// vCalendar, CR LF and all), the item checksum of that text and a version: the account's change number
// at its last change. A deleted item stays as a tombstone with its last text, so that devices still
// holding it learn of the deletion. Per device and kind, the map ties the device's local ids (luids) to
// guids, with the checksum the device last reported for its copy and the version that copy is of.
//
// Implementations are thread-safe per call; the read-modify-write of one sync step is serialised by
// the caller (CPimSync). Failures of the storage come back as false or nothing and are logged.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class PimKind : std::uint8_t { Contact, Event, Todo };

// "contact", "event", "todo": as stored and as the operator names them.
const char* PimKindWord(PimKind kind);
std::optional<PimKind> ParsePimKind(std::string_view word);

struct PimItem {
    std::string guid;
    std::string text; // empty when read without text
    std::uint32_t crc = 0;
    std::int64_t version = 0;
    std::string changedBy; // the device whose upload made this version; empty: the operator
    std::int64_t changedMs = 0;
    bool deleted = false;
};

struct PimMapEntry {
    std::string luid;
    std::string guid;
    std::string crc;          // the device's checksum of its copy, as it last reported it
    std::int64_t version = 0; // the item's version that copy is of
    bool confirmed = false;   // the device has listed the luid since the entry was made
};

// One all-or-nothing change of an account's items of one kind and of one device's map of that kind.
struct PimChanges {
    std::vector<PimItem> items;       // written whole, new or replacing the item of that guid
    std::vector<PimMapEntry> entries; // written whole; replaces the entries of its luid and its guid
    std::vector<std::string> droppedLuids;
    std::int64_t version = 0; // the account's change number afterwards; 0: unchanged
};

enum class WithText { No, Yes };

class CPimItemStore {
public:
    virtual ~CPimItemStore() = default;

    // The account's change number: the highest version any of its items has had (0: none yet).
    virtual std::optional<std::int64_t> PimVersion(std::string_view userId) = 0;
    // Every item of the kind, tombstones included, in the order the items were created.
    virtual std::vector<PimItem> PimItems(std::string_view userId, PimKind kind, WithText text) = 0;
    // The items (with text) of these guids, in no particular order; unknown guids are left out.
    virtual std::vector<PimItem> FindPimItems(std::string_view userId, PimKind kind,
                                              std::span<const std::string> guids) = 0;
    // The live items (with text) whose checksum is `crc`.
    virtual std::vector<PimItem> PimItemsWithCrc(std::string_view userId, PimKind kind,
                                                 std::uint32_t crc) = 0;

    // The device's whole map of the kind.
    virtual std::vector<PimMapEntry> PimMap(std::string_view userId, std::string_view deviceId,
                                            PimKind kind) = 0;
    // The device's entries of these luids, or of these guids.
    virtual std::vector<PimMapEntry> PimMapByLuid(std::string_view userId, std::string_view deviceId,
                                                  PimKind kind, std::span<const std::string> luids) = 0;
    virtual std::vector<PimMapEntry> PimMapByGuid(std::string_view userId, std::string_view deviceId,
                                                  PimKind kind, std::span<const std::string> guids) = 0;

    // Applies `changes` whole, or nothing (false) when the store failed.
    virtual bool ApplyPimChanges(std::string_view userId, std::string_view deviceId, PimKind kind,
                                 const PimChanges& changes) = 0;
};
