// The PIM store in pim.db (layout in PimStoreSchema.h). One connection per store object; every save
// is one BEGIN IMMEDIATE transaction, so a process killed in the middle of a save leaves the item as it
// was before, and the program and the tool can write the same file at once.

#include "platform/DevicePaths.h"
#include "platform/PimStore.h"
#include "platform/Sqlite.h"
#include "PimStoreSchema.h"
#include "utils/Utf.h"

#include <charconv>
#include <cstdio>
#include <map>

namespace {

std::string DateText(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

double DateFromText(const std::string& text)
{
    double value = NO_DATE;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : NO_DATE;
}

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
    HRESULT LoadPicture(std::uint32_t oid, std::string& bytes) override;

private:
    HRESULT Fail(const char* what, const SqlResult& result);
    HRESULT Fail(const char* what, const CSqliteStatement& statement) { return Fail(what, statement.Result()); }
    // Reads rows of (oid, folder, recurs, field, value, has picture) into records keyed by oid.
    HRESULT ReadFields(CSqliteStatement& statement, std::map<std::uint32_t, PimRecord>& records);
    HRESULT ReadRecurrence(CSqliteStatement& patterns, CSqliteStatement& exceptions,
                           std::map<std::uint32_t, PimRecord>& records);
    HRESULT WriteRecord(PimRecord& record, const std::string* picture, bool& created);

    std::filesystem::path m_file;
    CSqliteDb m_db;
    // Kept prepared: a folder load asks for every contact's picture.
    CSqliteStatement m_pictureQuery;
    bool m_loggedOn = false;
};

HRESULT CPimStoreSqlite::Fail(const char* what, const SqlResult& result)
{
    std::fprintf(stderr, "pim store %s: %s failed: %s (%d)\n", m_file.c_str(), what, result.message.c_str(),
                 result.code);
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
    result = m_db.EnsureSchema(kPimSchemaVersion, kPimSchema);
    if (!result.Ok()) {
        m_db.Close();
        return Fail("layout", result);
    }
    m_pictureQuery = m_db.Prepare("SELECT data FROM pictures WHERE oid = ?1", &result);
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
        if (statement.IsNull(3))
            continue;
        PimFieldValue value{static_cast<PimField>(static_cast<std::uint32_t>(statement.Int(3))), {}, 0};
        switch (TypeOfField(value.field)) {
        case PimFieldType::Text: value.text = TextFromUtf8(statement.Text(4)); break;
        case PimFieldType::Date: value.number = DateFromText(statement.Text(4)); break;
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
        pattern.patternStartDate = DateFromText(patterns.Text(9));
        pattern.patternEndDate = DateFromText(patterns.Text(10));
    }
    if (!patterns.Done())
        return Fail("read recurrence", patterns);
    while (exceptions.Step()) {
        const auto found = records.find(static_cast<std::uint32_t>(exceptions.Int(0)));
        if (found != records.end())
            found->second.recurrence.exceptionDates.push_back(DateFromText(exceptions.Text(1)));
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
    // One read transaction, so that the fields, patterns and exceptions belong to the same moment.
    const SqlResult begun = m_db.Exec("BEGIN");
    if (!begun.Ok())
        return Fail("begin read", begun);
    const auto folderId = static_cast<std::int64_t>(folder);
    std::map<std::uint32_t, PimRecord> byOid;
    CSqliteStatement fields = m_db.Prepare(
        "SELECT i.oid, i.folder, i.recurs, f.field, f.value, "
        "EXISTS (SELECT 1 FROM pictures p WHERE p.oid = i.oid) FROM items i LEFT JOIN fields f ON f.oid = i.oid "
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
    m_db.Exec("COMMIT");
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
    const SqlResult begun = m_db.Exec("BEGIN");
    if (!begun.Ok())
        return Fail("begin read", begun);
    std::map<std::uint32_t, PimRecord> byOid;
    CSqliteStatement fields = m_db.Prepare(
        "SELECT i.oid, i.folder, i.recurs, f.field, f.value, "
        "EXISTS (SELECT 1 FROM pictures p WHERE p.oid = i.oid) FROM items i LEFT JOIN fields f ON f.oid = i.oid "
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
    m_db.Exec("COMMIT");
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
    created = false;
    const auto recurs = static_cast<std::int64_t>(record.recurs ? 1 : 0);
    if (record.oid == 0) {
        CSqliteStatement insert = m_db.Prepare("INSERT INTO items (folder, recurs) VALUES (?1, ?2)");
        const SqlResult inserted = insert.Bind(1, static_cast<std::int64_t>(record.folder)).Bind(2, recurs).Run();
        if (!inserted.Ok())
            return Fail("add item", inserted);
        const std::int64_t oid = m_db.LastInsertRowId();
        if (oid <= 0 || oid > kPimMaxObjectId) {
            std::fprintf(stderr, "pim store %s: no object id below 2^31 is left\n", m_file.c_str());
            return E_PIM_FULL;
        }
        record.oid = static_cast<std::uint32_t>(oid);
        created = true;
    } else {
        CSqliteStatement update = m_db.Prepare("UPDATE items SET recurs = ?2 WHERE oid = ?1");
        const SqlResult updated = update.Bind(1, static_cast<std::int64_t>(record.oid)).Bind(2, recurs).Run();
        if (!updated.Ok())
            return Fail("update item", updated);
        if (m_db.Changes() == 0)
            return E_PIM_NOT_FOUND;
    }
    const auto oid = static_cast<std::int64_t>(record.oid);
    for (const char* sql : {"DELETE FROM fields WHERE oid = ?1", "DELETE FROM recurrence WHERE oid = ?1",
                            "DELETE FROM exceptions WHERE oid = ?1"}) {
        CSqliteStatement clear = m_db.Prepare(sql);
        const SqlResult cleared = clear.Bind(1, oid).Run();
        if (!cleared.Ok())
            return Fail("clear item", cleared);
    }
    CSqliteStatement field = m_db.Prepare("INSERT OR REPLACE INTO fields (oid, field, value) VALUES (?1, ?2, ?3)");
    for (const PimFieldValue& value : record.fields) {
        field.Reset();
        field.Bind(1, oid).Bind(2, static_cast<std::int64_t>(value.field));
        switch (TypeOfField(value.field)) {
        case PimFieldType::Text: field.Bind(3, Utf16ToUtf8(value.text)); break;
        case PimFieldType::Date: field.Bind(3, DateText(value.number)); break;
        case PimFieldType::Integer:
        case PimFieldType::Flag: field.Bind(3, static_cast<std::int64_t>(value.number)); break;
        case PimFieldType::Unknown: continue;
        }
        const SqlResult written = field.Run();
        if (!written.Ok())
            return Fail("write field", written);
    }
    if (record.recurs) {
        const PimRecurrence& pattern = record.recurrence;
        CSqliteStatement insert = m_db.Prepare(
            "INSERT INTO recurrence (oid, type, interval, instance, day_of_month, month_of_year, day_of_week_mask, "
            "occurrences, no_end_date, pattern_start, pattern_end) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
        insert.Bind(1, oid)
            .Bind(2, std::int64_t{pattern.recurrenceType})
            .Bind(3, std::int64_t{pattern.interval})
            .Bind(4, std::int64_t{pattern.instance})
            .Bind(5, std::int64_t{pattern.dayOfMonth})
            .Bind(6, std::int64_t{pattern.monthOfYear})
            .Bind(7, std::int64_t{pattern.dayOfWeekMask})
            .Bind(8, std::int64_t{pattern.occurrences})
            .Bind(9, std::int64_t{pattern.noEndDate ? 1 : 0})
            .Bind(10, DateText(pattern.patternStartDate))
            .Bind(11, DateText(pattern.patternEndDate));
        SqlResult written = insert.Run();
        if (!written.Ok())
            return Fail("write recurrence", written);
        CSqliteStatement exception =
            m_db.Prepare("INSERT INTO exceptions (oid, position, original_date) VALUES (?1, ?2, ?3)");
        std::int64_t position = 0;
        for (const double date : pattern.exceptionDates) {
            exception.Reset();
            written = exception.Bind(1, oid).Bind(2, ++position).Bind(3, DateText(date)).Run();
            if (!written.Ok())
                return Fail("write exception", written);
        }
    }
    if (picture) {
        CSqliteStatement statement =
            picture->empty() ? m_db.Prepare("DELETE FROM pictures WHERE oid = ?1")
                             : m_db.Prepare("INSERT OR REPLACE INTO pictures (oid, data) VALUES (?1, ?2)");
        statement.Bind(1, oid);
        if (!picture->empty())
            statement.BindBlob(2, {reinterpret_cast<const std::uint8_t*>(picture->data()), picture->size()});
        const SqlResult written = statement.Run();
        if (!written.Ok())
            return Fail("write picture", written);
    }
    return S_OK;
}

HRESULT CPimStoreSqlite::SaveRecord(PimRecord& record, const std::string* picture)
{
    if (!m_loggedOn)
        return E_PIM_NOT_LOGGED_ON;
    const SqlResult begun = m_db.Begin();
    if (!begun.Ok())
        return Fail("begin save", begun);
    bool created = false;
    HRESULT status = WriteRecord(record, picture, created);
    if (Succeeded(status)) {
        const SqlResult committed = m_db.Commit();
        if (!committed.Ok())
            status = Fail("commit save", committed);
    }
    if (Failed(status)) {
        m_db.Rollback();
        if (created)
            record.oid = 0;
    } else if (picture) {
        record.hasPicture = !picture->empty();
    }
    return status;
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
