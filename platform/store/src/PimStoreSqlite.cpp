// The PIM store in pim.db (layout in PimStoreSchema.h). One connection per store object; every save
// is one BEGIN IMMEDIATE transaction (a savepoint inside a batch's transaction), so a process killed in
// the middle of a save leaves the item as it was before, and the program and the tool can write the
// same file at once.

#include "platform/DevicePaths.h"
#include "platform/LogSink.h"
#include "platform/PimStore.h"
#include "platform/Sqlite.h"
#include "PimRecordWriter.h"
#include "PimStoreSchema.h"
#include "utils/Utf.h"

#include <map>

namespace {

// Most stored text is ASCII: widen it directly and leave the rest to the full decoder.
std::u16string TextFromUtf8(const std::string& bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return Utf8ToUtf16(bytes);
    }
    return std::u16string(bytes.begin(), bytes.end());
}

class CPimStoreSqlite final : public PimStore {
public:
    explicit CPimStoreSqlite(std::filesystem::path file) : m_file(std::move(file)) {}

    HRESULT Logon() override;
    HRESULT LoadFolder(PimFolder folder, std::vector<PimRecord>& records) override;
    HRESULT LoadRecord(std::uint32_t oid, PimRecord& record) override;
    HRESULT SaveRecord(PimRecord& record, const std::string* picture) override;
    HRESULT DeleteRecord(std::uint32_t oid) override;
    HRESULT LoadChecksums(PimFolder folder, std::vector<PimItemChecksum>& items) override;
    HRESULT SaveChecksum(std::uint32_t oid, std::uint32_t checksum) override;
    HRESULT AppendUnsentMap(std::u16string_view list, const std::vector<PimMapEntry>& entries) override;
    HRESULT LoadUnsentMap(std::u16string_view list, std::vector<PimMapEntry>& entries) override;
    HRESULT ClearUnsentMap(std::u16string_view list) override;
    HRESULT LoadPicture(std::uint32_t oid, std::string& bytes) override;
    HRESULT BeginBatch() override;
    HRESULT EndBatch(BatchEnd end) override;

private:
    // A read transaction, so that the rows of a load belong to the same moment; inside a batch the
    // batch's own transaction is that.
    HRESULT BeginRead();
    void EndRead();
    HRESULT Fail(const char* what, const SqlResult& result);
    HRESULT Fail(const char* what, const CSqliteStatement& statement) { return Fail(what, statement.Result()); }
    // Reads rows of (oid, folder, recurs, field, value, has picture, checksum) into records keyed by oid.
    HRESULT ReadFields(CSqliteStatement& statement, std::map<std::uint32_t, PimRecord>& records);
    HRESULT ReadRecurrence(CSqliteStatement& patterns, CSqliteStatement& exceptions,
                           std::map<std::uint32_t, PimRecord>& records);
    HRESULT WriteRecord(PimRecord& record, const std::string* picture, bool& created);

    std::filesystem::path m_file;
    CSqliteDb m_db;
    // Kept prepared: a folder load asks for every contact's picture.
    CSqliteStatement m_pictureQuery;
    CPimRecordWriter m_writer;
    // Each save in a batch is a savepoint: prepared once, as the saves are many.
    CSqliteStatement m_savepoint;
    CSqliteStatement m_release;
    bool m_loggedOn = false;
    bool m_inBatch = false;
};

HRESULT CPimStoreSqlite::Fail(const char* what, const SqlResult& result)
{
    CLogSink::Write("pim store " + m_file.string() + ": " + what + " failed: " + result.message + " (" +
                    std::to_string(result.code) + ")");
    return E_FAIL;
}

HRESULT CPimStoreSqlite::Logon()
{
    if (m_loggedOn)
        return S_OK;
    std::error_code error;
    std::filesystem::create_directories(m_file.parent_path(), error);
    SqlResult result = m_db.Open(m_file);
    if (!result.Ok())
        return Fail("open", result);
    result = m_db.EnsureSchema(kPimSchemaVersion, kPimSchema, kPimSchemaUpgrades);
    if (!result.Ok()) {
        m_db.Close();
        return Fail("layout", result);
    }
    // The savepoint of each save in a batch keeps the pages it changes in a journal of its own; in a
    // file that is a write per page, more than the save itself costs.
    result = m_db.Exec("PRAGMA temp_store=MEMORY");
    if (result.Ok())
        m_pictureQuery = m_db.Prepare("SELECT data FROM pictures WHERE oid = ?1", &result);
    if (result.Ok())
        m_savepoint = m_db.Prepare("SAVEPOINT save", &result);
    if (result.Ok())
        m_release = m_db.Prepare("RELEASE save", &result);
    if (result.Ok())
        result = m_writer.Prepare(m_db);
    if (!result.Ok()) {
        m_db.Close();
        return Fail("prepare", result);
    }
    m_loggedOn = true;
    return S_OK;
}

HRESULT CPimStoreSqlite::ReadFields(CSqliteStatement& statement, std::map<std::uint32_t, PimRecord>& records)
{
    while (statement.Step()) {
        const auto oid = static_cast<std::uint32_t>(statement.Int(0));
        PimRecord& record = records[oid];
        record.oid = oid;
        record.folder = static_cast<PimFolder>(statement.Int(1));
        record.recurs = statement.Int(2) != 0;
        record.hasPicture = statement.Int(5) != 0;
        if (!statement.IsNull(6))
            record.checksum = static_cast<std::uint32_t>(statement.Int(6));
        if (statement.IsNull(3))
            continue;
        PimFieldValue value{static_cast<PimField>(static_cast<std::uint32_t>(statement.Int(3))), {}, 0};
        switch (TypeOfField(value.field)) {
        case PimFieldType::Text: value.text = TextFromUtf8(statement.Text(4)); break;
        case PimFieldType::Date: value.number = PimDateFromText(statement.Text(4)); break;
        case PimFieldType::Integer:
        case PimFieldType::Flag: value.number = static_cast<double>(statement.Int(4)); break;
        case PimFieldType::Unknown: continue;
        }
        record.fields.push_back(std::move(value));
    }
    if (!statement.Done())
        return Fail("read items", statement);
    return S_OK;
}

HRESULT CPimStoreSqlite::ReadRecurrence(CSqliteStatement& patterns, CSqliteStatement& exceptions,
                                        std::map<std::uint32_t, PimRecord>& records)
{
    while (patterns.Step()) {
        const auto found = records.find(static_cast<std::uint32_t>(patterns.Int(0)));
        if (found == records.end())
            continue;
        PimRecurrence& pattern = found->second.recurrence;
        pattern.recurrenceType = static_cast<std::int32_t>(patterns.Int(1));
        pattern.interval = static_cast<std::int32_t>(patterns.Int(2));
        pattern.instance = static_cast<std::int32_t>(patterns.Int(3));
        pattern.dayOfMonth = static_cast<std::int32_t>(patterns.Int(4));
        pattern.monthOfYear = static_cast<std::int32_t>(patterns.Int(5));
        pattern.dayOfWeekMask = static_cast<std::int32_t>(patterns.Int(6));
        pattern.occurrences = static_cast<std::int32_t>(patterns.Int(7));
        pattern.noEndDate = patterns.Int(8) != 0;
        pattern.patternStartDate = PimDateFromText(patterns.Text(9));
        pattern.patternEndDate = PimDateFromText(patterns.Text(10));
    }
    if (!patterns.Done())
        return Fail("read recurrence", patterns);
    while (exceptions.Step()) {
        const auto found = records.find(static_cast<std::uint32_t>(exceptions.Int(0)));
        if (found != records.end())
            found->second.recurrence.exceptionDates.push_back(PimDateFromText(exceptions.Text(1)));
    }
    if (!exceptions.Done())
        return Fail("read exceptions", exceptions);
    return S_OK;
}

HRESULT CPimStoreSqlite::LoadFolder(PimFolder folder, std::vector<PimRecord>& records)
{
    records.clear();
    if (!m_loggedOn)
        return E_PIM_NOT_LOGGED_ON;
    if (const HRESULT begun = BeginRead(); Failed(begun))
        return begun;
    const auto folderId = static_cast<std::int64_t>(folder);
    std::map<std::uint32_t, PimRecord> byOid;
    CSqliteStatement fields = m_db.Prepare(
        "SELECT i.oid, i.folder, i.recurs, f.field, f.value, "
        "EXISTS (SELECT 1 FROM pictures p WHERE p.oid = i.oid), i.checksum FROM items i "
        "LEFT JOIN fields f ON f.oid = i.oid "
        "WHERE i.folder = ?1 ORDER BY i.oid");
    HRESULT status = ReadFields(fields.Bind(1, folderId), byOid);
    if (Succeeded(status) && folder != PimFolder::Contacts) {
        CSqliteStatement patterns = m_db.Prepare(
            "SELECT r.oid, r.type, r.interval, r.instance, r.day_of_month, r.month_of_year, r.day_of_week_mask, "
            "r.occurrences, r.no_end_date, r.pattern_start, r.pattern_end FROM recurrence r "
            "JOIN items i ON i.oid = r.oid WHERE i.folder = ?1");
        CSqliteStatement exceptions = m_db.Prepare(
            "SELECT e.oid, e.original_date FROM exceptions e JOIN items i ON i.oid = e.oid "
            "WHERE i.folder = ?1 ORDER BY e.oid, e.position");
        status = ReadRecurrence(patterns.Bind(1, folderId), exceptions.Bind(1, folderId), byOid);
    }
    EndRead();
    if (Failed(status))
        return status;
    records.reserve(byOid.size());
    for (auto& entry : byOid)
        records.push_back(std::move(entry.second));
    return S_OK;
}

HRESULT CPimStoreSqlite::LoadRecord(std::uint32_t oid, PimRecord& record)
{
    if (!m_loggedOn)
        return E_PIM_NOT_LOGGED_ON;
    if (const HRESULT begun = BeginRead(); Failed(begun))
        return begun;
    std::map<std::uint32_t, PimRecord> byOid;
    CSqliteStatement fields = m_db.Prepare(
        "SELECT i.oid, i.folder, i.recurs, f.field, f.value, "
        "EXISTS (SELECT 1 FROM pictures p WHERE p.oid = i.oid), i.checksum FROM items i "
        "LEFT JOIN fields f ON f.oid = i.oid "
        "WHERE i.oid = ?1");
    HRESULT status = ReadFields(fields.Bind(1, static_cast<std::int64_t>(oid)), byOid);
    if (Succeeded(status)) {
        CSqliteStatement patterns = m_db.Prepare(
            "SELECT oid, type, interval, instance, day_of_month, month_of_year, day_of_week_mask, occurrences, "
            "no_end_date, pattern_start, pattern_end FROM recurrence WHERE oid = ?1");
        CSqliteStatement exceptions =
            m_db.Prepare("SELECT oid, original_date FROM exceptions WHERE oid = ?1 ORDER BY position");
        status = ReadRecurrence(patterns.Bind(1, static_cast<std::int64_t>(oid)),
                                exceptions.Bind(1, static_cast<std::int64_t>(oid)), byOid);
    }
    EndRead();
    if (Failed(status))
        return status;
    const auto found = byOid.find(oid);
    if (found == byOid.end())
        return E_PIM_NOT_FOUND;
    record = std::move(found->second);
    return S_OK;
}

HRESULT CPimStoreSqlite::WriteRecord(PimRecord& record, const std::string* picture, bool& created)
{
    const PimWriteFailure failure = m_writer.Write(record, picture, created);
    if (failure.status == E_PIM_FULL)
        CLogSink::Write("pim store " + m_file.string() + ": no object id below 2^31 is left");
    if (failure.status == E_FAIL)
        return Fail(failure.what, failure.result);
    return failure.status;
}

HRESULT CPimStoreSqlite::BeginRead()
{
    if (m_inBatch)
        return S_OK;
    const SqlResult begun = m_db.Exec("BEGIN");
    return begun.Ok() ? S_OK : Fail("begin read", begun);
}

void CPimStoreSqlite::EndRead()
{
    if (!m_inBatch)
        m_db.Exec("COMMIT");
}

// Outside a batch a save is a transaction of its own; inside one, a savepoint, so that a failed save
// takes back its own writes and nothing else.
HRESULT CPimStoreSqlite::SaveRecord(PimRecord& record, const std::string* picture)
{
    if (!m_loggedOn)
        return E_PIM_NOT_LOGGED_ON;
    const SqlResult begun = m_inBatch ? m_savepoint.RunOnce() : m_db.Begin();
    if (!begun.Ok())
        return Fail("begin save", begun);
    bool created = false;
    HRESULT status = WriteRecord(record, picture, created);
    if (Succeeded(status)) {
        const SqlResult committed = m_inBatch ? m_release.RunOnce() : m_db.Commit();
        if (!committed.Ok())
            status = Fail("commit save", committed);
    }
    if (Failed(status)) {
        if (m_inBatch)
            m_db.Exec("ROLLBACK TO save; RELEASE save");
        else
            m_db.Rollback();
        if (created)
            record.oid = 0;
    } else if (picture) {
        record.hasPicture = !picture->empty();
    }
    return status;
}

HRESULT CPimStoreSqlite::BeginBatch()
{
    if (!m_loggedOn)
        return E_PIM_NOT_LOGGED_ON;
    if (m_inBatch)
        return E_PIM_INVALID_ARG;
    const SqlResult begun = m_db.Begin();
    if (!begun.Ok())
        return Fail("begin batch", begun);
    m_inBatch = true;
    return S_OK;
}

HRESULT CPimStoreSqlite::EndBatch(BatchEnd end)
{
    if (!m_inBatch)
        return E_PIM_INVALID_ARG;
    m_inBatch = false;
    if (end == BatchEnd::Discard) {
        m_db.Rollback();
        return S_OK;
    }
    const SqlResult committed = m_db.Commit();
    if (committed.Ok())
        return S_OK;
    m_db.Rollback();
    return Fail("commit batch", committed);
}

HRESULT CPimStoreSqlite::DeleteRecord(std::uint32_t oid)
{
    if (!m_loggedOn)
        return E_PIM_NOT_LOGGED_ON;
    CSqliteStatement statement = m_db.Prepare("DELETE FROM items WHERE oid = ?1");
    const SqlResult deleted = statement.Bind(1, static_cast<std::int64_t>(oid)).Run();
    if (!deleted.Ok())
        return Fail("delete item", deleted);
    return m_db.Changes() == 0 ? E_PIM_NOT_FOUND : S_OK;
}

HRESULT CPimStoreSqlite::LoadChecksums(PimFolder folder, std::vector<PimItemChecksum>& items)
{
    items.clear();
    if (!m_loggedOn)
        return E_PIM_NOT_LOGGED_ON;
    CSqliteStatement statement = m_db.Prepare("SELECT oid, checksum FROM items WHERE folder = ?1 ORDER BY oid");
    statement.Bind(1, static_cast<std::int64_t>(folder));
    while (statement.Step()) {
        PimItemChecksum& item = items.emplace_back();
        item.oid = static_cast<std::uint32_t>(statement.Int(0));
        if (!statement.IsNull(1))
            item.checksum = static_cast<std::uint32_t>(statement.Int(1));
    }
    if (!statement.Done()) {
        items.clear();
        return Fail("read checksums", statement);
    }
    return S_OK;
}

HRESULT CPimStoreSqlite::SaveChecksum(std::uint32_t oid, std::uint32_t checksum)
{
    if (!m_loggedOn)
        return E_PIM_NOT_LOGGED_ON;
    CSqliteStatement statement = m_db.Prepare("UPDATE items SET checksum = ?2 WHERE oid = ?1");
    const SqlResult saved =
        statement.Bind(1, static_cast<std::int64_t>(oid)).Bind(2, std::int64_t{checksum}).Run();
    if (!saved.Ok())
        return Fail("keep checksum", saved);
    return m_db.Changes() == 0 ? E_PIM_NOT_FOUND : S_OK;
}

// Outside a batch the entries go in one transaction of their own.
HRESULT CPimStoreSqlite::AppendUnsentMap(std::u16string_view list, const std::vector<PimMapEntry>& entries)
{
    if (!m_loggedOn)
        return E_PIM_NOT_LOGGED_ON;
    if (!m_inBatch) {
        if (const SqlResult begun = m_db.Begin(); !begun.Ok())
            return Fail("begin map", begun);
    }
    CSqliteStatement insert =
        m_db.Prepare("INSERT INTO unsent_map (list, luid, guid, crc, status) VALUES (?1, ?2, ?3, ?4, ?5)");
    const std::string listText = Utf16ToUtf8(list);
    SqlResult written;
    for (const PimMapEntry& entry : entries) {
        written = insert.Bind(1, listText)
                      .Bind(2, Utf16ToUtf8(entry.luid))
                      .Bind(3, Utf16ToUtf8(entry.guid))
                      .Bind(4, Utf16ToUtf8(entry.crc))
                      .Bind(5, Utf16ToUtf8(entry.status))
                      .RunOnce();
        if (!written.Ok())
            break;
    }
    if (written.Ok() && !m_inBatch)
        written = m_db.Commit();
    if (written.Ok())
        return S_OK;
    if (!m_inBatch)
        m_db.Rollback();
    return Fail("keep map", written);
}

HRESULT CPimStoreSqlite::LoadUnsentMap(std::u16string_view list, std::vector<PimMapEntry>& entries)
{
    entries.clear();
    if (!m_loggedOn)
        return E_PIM_NOT_LOGGED_ON;
    CSqliteStatement rows =
        m_db.Prepare("SELECT luid, guid, crc, status FROM unsent_map WHERE list = ?1 ORDER BY entry");
    rows.Bind(1, Utf16ToUtf8(list));
    while (rows.Step())
        entries.push_back({TextFromUtf8(rows.Text(0)), TextFromUtf8(rows.Text(1)), TextFromUtf8(rows.Text(2)),
                           TextFromUtf8(rows.Text(3))});
    if (rows.Done())
        return S_OK;
    entries.clear();
    return Fail("read map", rows);
}

HRESULT CPimStoreSqlite::ClearUnsentMap(std::u16string_view list)
{
    if (!m_loggedOn)
        return E_PIM_NOT_LOGGED_ON;
    CSqliteStatement statement = m_db.Prepare("DELETE FROM unsent_map WHERE list = ?1");
    const SqlResult cleared = statement.Bind(1, Utf16ToUtf8(list)).Run();
    return cleared.Ok() ? S_OK : Fail("clear map", cleared);
}

HRESULT CPimStoreSqlite::LoadPicture(std::uint32_t oid, std::string& bytes)
{
    bytes.clear();
    if (!m_loggedOn)
        return E_PIM_NOT_LOGGED_ON;
    CSqliteStatement& statement = m_pictureQuery;
    statement.Reset();
    if (statement.Bind(1, static_cast<std::int64_t>(oid)).Step()) {
        const std::vector<std::uint8_t> blob = statement.Blob(0);
        bytes.assign(blob.begin(), blob.end());
        statement.Reset();
        return S_OK;
    }
    const bool done = statement.Done();
    const SqlResult result = statement.Result();
    statement.Reset();
    return done ? S_OK : Fail("read picture", result);
}

} // namespace

std::unique_ptr<PimStore> CreateSqlitePimStore(const std::filesystem::path& file)
{
    return std::make_unique<CPimStoreSqlite>(file);
}

std::filesystem::path DefaultPimStorePath()
{
    return CDevicePaths::DataFolder() / "pim.db";
}
