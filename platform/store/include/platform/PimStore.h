#pragma once
// The PIM store: the handset's contacts (folder 10), calendar (9) and tasks (13).
//
// PimStore is the storage contract (records in, records out, one transaction per save); it varies by
// backend (SQLite file, memory for tests). CPimItems and CPimItem are the object model the PIM library
// works with, built once over any PimStore: a folder's collection with positions 1..count, items with a
// stable 32-bit object id, typed fields, text properties by property id, the picture stream and the
// recurrence pattern. An item holds its values in memory until Save writes them all at once.
//
// Ids are below 2^31 (they travel as "%u" and come back through a signed conversion) and are never
// reused. A store object and everything obtained from it are used by one thread at a time; items and
// collections must not outlive their store.

#include "platform/PimFields.h"
#include "utils/ByteStream.h"
#include "utils/Status.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class PimFolder : std::int32_t { Calendar = 9, Contacts = 10, Tasks = 13 };

// Status codes of the store.
inline constexpr HRESULT E_PIM_NOT_FOUND = static_cast<HRESULT>(0x80070490u); // element not found
inline constexpr HRESULT E_PIM_INVALID_ARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_PIM_NOT_LOGGED_ON = static_cast<HRESULT>(0x8007048Fu); // device not connected
inline constexpr HRESULT E_PIM_FULL = static_cast<HRESULT>(0x80070070u);          // no ids left

inline constexpr std::uint32_t kPimMaxObjectId = 0x7FFFFFFFu;

// Recurrence pattern of an appointment or task (types: 0 daily, 1 weekly, 2 monthly on a day,
// 3 monthly on the nth weekday, 5 yearly on a month and day, 6 yearly on the nth weekday).
struct PimRecurrence {
    std::int32_t recurrenceType = 0;
    std::int32_t interval = 1;
    std::int32_t instance = 0;     // 1..4, 5 = last
    std::int32_t dayOfMonth = 0;
    std::int32_t monthOfYear = 0;
    std::int32_t dayOfWeekMask = 0; // 1 Sunday ... 64 Saturday
    std::int32_t occurrences = 0;
    bool noEndDate = true;
    double patternStartDate = NO_DATE;
    double patternEndDate = NO_DATE;
    std::vector<double> exceptionDates; // original date of each exception, in list order
};

struct PimFieldValue {
    PimField field;
    std::u16string text; // text fields
    double number = 0;   // dates, integers and flags
};

// Everything a store keeps about one item except its picture.
struct PimRecord {
    std::uint32_t oid = 0; // 0 until the first save
    PimFolder folder = PimFolder::Contacts;
    std::vector<PimFieldValue> fields; // set fields only, in the order first set
    bool recurs = false;
    PimRecurrence recurrence; // meaningful while `recurs`
    bool hasPicture = false;  // set by the store; spares a picture lookup for items without one
    // The item checksum of the item's text, as the PIM library computed it for this content; unset
    // when unknown. Kept beside the item so that a load need not write every item's text again; any
    // change to the record through CPimItem unsets it.
    std::optional<std::uint32_t> checksum = std::nullopt;
};

// One entry of a map the server has not received yet: the handset item (luid, and its checksum) that
// now stands for a server item (guid), with the status the server sent.
struct PimMapEntry {
    std::u16string luid;
    std::u16string guid;
    std::u16string crc;
    std::u16string status;
};

// An item's id and its kept checksum (unset when unknown).
struct PimItemChecksum {
    std::uint32_t oid = 0;
    std::optional<std::uint32_t> checksum;
};

enum class BatchEnd : std::uint8_t { Commit, Discard };

// The storage contract. Every operation reports success or a status; store failures are logged by
// the backend with the reason.
class PimStore {
public:
    virtual ~PimStore() = default;

    // Opens the store. Until it succeeds every other operation fails with E_PIM_NOT_LOGGED_ON.
    virtual HRESULT Logon() = 0;

    // All records of a folder, ordered by object id (the collection's positions).
    virtual HRESULT LoadFolder(PimFolder folder, std::vector<PimRecord>& records) = 0;
    // One record; E_PIM_NOT_FOUND when there is none with that id.
    virtual HRESULT LoadRecord(std::uint32_t oid, PimRecord& record) = 0;
    // Writes the whole record (and the picture when `picture` is not null; empty removes it) in one
    // transaction. A record with oid 0 gets a new id. Failure: nothing of the save is kept and the
    // record's oid is unchanged; E_PIM_NOT_FOUND when the item was deleted meanwhile, E_PIM_FULL when no
    // id below 2^31 is left.
    virtual HRESULT SaveRecord(PimRecord& record, const std::string* picture) = 0;
    // E_PIM_NOT_FOUND when there is no such item.
    virtual HRESULT DeleteRecord(std::uint32_t oid) = 0;
    // The ids of a folder's items in id order with their kept checksums: what a load needs when the
    // checksums are all known, without reading the items.
    virtual HRESULT LoadChecksums(PimFolder folder, std::vector<PimItemChecksum>& items) = 0;
    // Keeps the checksum of an item whose content does not change (one saved without it). Only
    // inside a batch that also read the item, so no other writer can change it in between.
    // E_PIM_NOT_FOUND when there is no such item.
    virtual HRESULT SaveChecksum(std::uint32_t oid, std::uint32_t checksum) = 0;

    // The maps of the items the server sent, until the server has them. Appended in the batch that
    // applies the items, so that a crash keeps the items and their entries, or neither; `list` names
    // the kind ("Contacts", "APPOINTMENT", "TODO"). Loaded in the order appended.
    virtual HRESULT AppendUnsentMap(std::u16string_view list, const std::vector<PimMapEntry>& entries) = 0;
    virtual HRESULT LoadUnsentMap(std::u16string_view list, std::vector<PimMapEntry>& entries) = 0;
    virtual HRESULT ClearUnsentMap(std::u16string_view list) = 0;
    // The picture bytes; empty when the item has none.
    virtual HRESULT LoadPicture(std::uint32_t oid, std::string& bytes) = 0;

    // A batch: from BeginBatch to EndBatch the saves and deletes go into one store transaction, which
    // spares the storage a write of its own per item when many items change at once. Each save stays
    // whole on its own: one that fails keeps nothing of itself and the batch goes on. EndBatch(Commit)
    // keeps them all; when that fails, or the process dies before it, none of them is kept (records
    // saved in the batch then hold ids that name no item). EndBatch(Discard) drops them. Batches do
    // not nest (E_PIM_INVALID_ARG). While a batch is open other connections wait to write.
    virtual HRESULT BeginBatch() = 0;
    virtual HRESULT EndBatch(BatchEnd end) = 0;

protected:
    PimStore() = default;
    PimStore(const PimStore&) = default;
    PimStore& operator=(const PimStore&) = default;
};

// The store file `pim.db` in the given folder (created with mode 0600 on Logon).
std::unique_ptr<PimStore> CreateSqlitePimStore(const std::filesystem::path& file);
// A store that lives in memory only (tests, benchmarks, checking conversions).
std::unique_ptr<PimStore> CreateMemoryPimStore();
// The handset's store: pim.db in the device data folder.
std::filesystem::path DefaultPimStorePath();

class CPimItem;

// A picture stream opened on an item: read in blocks and seek, or write and commit. Committing hands
// the bytes to the item; the item's next Save stores them.
class CPimPictureStream final : public CByteStream {
public:
    HRESULT Read(void* buffer, std::uint32_t size, std::uint32_t* read) override;
    HRESULT Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) override;
    HRESULT Write(const void* buffer, std::uint32_t size, std::uint32_t* written);
    HRESULT Commit();

private:
    friend class CPimItem;
    CPimPictureStream(CPimItem& item, std::string bytes, bool writable);

    CPimItem& m_item;
    std::string m_bytes;
    std::uint64_t m_position = 0;
    bool m_writable;
};

enum class PictureAccess : std::uint8_t { Read, Write };

class CPimItem {
public:
    CPimItem(PimStore& store, PimRecord record);

    PimFolder Folder() const { return m_record.folder; }
    // 0 before the first save.
    std::uint32_t Oid() const { return m_record.oid; }
    const PimRecord& Record() const { return m_record; }

    HRESULT Save();
    // The checksum the next Save keeps beside the item; set it after the last change (every change
    // forgets it).
    void SetChecksum(std::uint32_t checksum) { m_record.checksum = checksum; }
    // While deferred, Save (also the one after SetProperty and a picture commit) only keeps the
    // changes in memory; the first Save after deferring ends writes them all in one transaction. Lets
    // a caller fill a new item from a whole text without a crash ever leaving it half-written.
    void DeferSaves(bool defer) { m_savesDeferred = defer; }
    // Removes the item from the store; E_PIM_NOT_FOUND when it was never saved or is gone.
    HRESULT Delete();

    // Generic view: text properties by property id. Get fails with E_PIM_NOT_FOUND when the property
    // is not set and E_PIM_INVALID_ARG when the id is not a text property. Set is followed by a save;
    // its result is the save's.
    HRESULT GetProperty(std::uint32_t propertyId, std::u16string& value) const;
    HRESULT SetProperty(std::uint32_t propertyId, std::u16string_view value);

    // Typed view. Unset fields read as empty text, NO_DATE, 0 and false. A field of another type
    // gives E_PIM_INVALID_ARG and changes nothing. Flags read as -1 (true) or 0.
    HRESULT GetText(PimField field, std::u16string& value) const;
    HRESULT SetText(PimField field, std::u16string_view value);
    HRESULT GetDate(PimField field, double& value) const;
    HRESULT SetDate(PimField field, double value);
    HRESULT GetInteger(PimField field, std::int32_t& value) const;
    HRESULT SetInteger(PimField field, std::int32_t value);
    HRESULT GetFlag(PimField field, std::int32_t& value) const;
    HRESULT SetFlag(PimField field, bool value);
    // Read access, cheap: the stored text or null when unset.
    const std::u16string* FindText(PimField field) const;

    // The picture (contacts). Opening for reading an item without picture gives an empty stream.
    HRESULT OpenPicture(PictureAccess access, std::unique_ptr<CPimPictureStream>& stream);

    // Recurrence (appointments and tasks; other kinds get E_PIM_INVALID_ARG).
    HRESULT GetIsRecurring(bool& recurs) const;
    HRESULT ClearRecurrencePattern();
    // The pattern, created with its defaults when the item does not recur yet (the item recurs from
    // then on). The pointer stays valid while the item lives; changes are kept by Save.
    HRESULT GetRecurrencePattern(PimRecurrence*& pattern);

private:
    friend class CPimPictureStream;
    PimFieldValue* Find(PimField field);
    const PimFieldValue* Find(PimField field) const;
    PimFieldValue& Slot(PimField field);
    HRESULT SetNumber(PimField field, PimFieldType type, double value);
    HRESULT GetNumber(PimField field, PimFieldType type, double unset, double& value) const;

    PimStore& m_store;
    PimRecord m_record;
    std::string m_pendingPicture;
    bool m_pictureChanged = false;
    bool m_savesDeferred = false;
};

// A folder's items as one snapshot: positions 1..Count() in object-id order, taken at the first Count
// or Item call. Asking the folder again gives a fresh collection.
class CPimItems {
public:
    CPimItems(PimStore& store, PimFolder folder) : m_store(store), m_folder(folder) {}

    PimFolder Folder() const { return m_folder; }
    HRESULT Count(std::int32_t& count);
    // E_PIM_INVALID_ARG for a position outside 1..Count().
    HRESULT Item(std::int32_t position, std::unique_ptr<CPimItem>& item);
    // A new empty item of the folder's kind, not yet saved (it has no id until its first Save).
    HRESULT Add(std::unique_ptr<CPimItem>& item);
    // The item of the snapshot with that object id; E_PIM_NOT_FOUND when it holds none.
    HRESULT ItemById(std::uint32_t oid, std::unique_ptr<CPimItem>& item);

private:
    HRESULT EnsureLoaded();

    PimStore& m_store;
    PimFolder m_folder;
    std::vector<PimRecord> m_records;
    bool m_loaded = false;
};

// The item with that object id, whatever its folder; E_PIM_NOT_FOUND when there is none.
HRESULT FindPimItem(PimStore& store, std::uint32_t oid, std::unique_ptr<CPimItem>& item);
