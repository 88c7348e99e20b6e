#include "PimRecordWriter.h"

#include "utils/Utf.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace {

PimWriteFailure Failure(const char* what, SqlResult result)
{
    return {E_FAIL, what, std::move(result)};
}

} // namespace

std::string PimDateText(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

double PimDateFromText(const std::string& text)
{
    double value = NO_DATE;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : NO_DATE;
}

SqlResult CPimRecordWriter::Prepare(CSqliteDb& db)
{
    m_db = &db;
    const std::pair<CSqliteStatement*, const char*> statements[] = {
        {&m_insertItem, "INSERT INTO items (folder, recurs, checksum) VALUES (?1, ?2, ?3)"},
        {&m_updateItem, "UPDATE items SET recurs = ?2, checksum = ?3 WHERE oid = ?1"},
        {&m_clearFields, "DELETE FROM fields WHERE oid = ?1"},
        {&m_clearRecurrence, "DELETE FROM recurrence WHERE oid = ?1"},
        {&m_clearExceptions, "DELETE FROM exceptions WHERE oid = ?1"},
        {&m_writeRecurrence, "INSERT INTO recurrence (oid, type, interval, instance, day_of_month, "
                             "month_of_year, day_of_week_mask, "
                             "occurrences, no_end_date, pattern_start, pattern_end) VALUES (?1, ?2, ?3, ?4, "
                             "?5, ?6, ?7, ?8, ?9, ?10, ?11)"},
        {&m_writeException, "INSERT INTO exceptions (oid, position, original_date) VALUES (?1, ?2, ?3)"},
        {&m_writePicture, "INSERT OR REPLACE INTO pictures (oid, data) VALUES (?1, ?2)"},
        {&m_removePicture, "DELETE FROM pictures WHERE oid = ?1"},
    };
    for (const auto& [statement, sql] : statements) {
        SqlResult result;
        *statement = db.Prepare(sql, &result);
        if (!result.Ok())
            return result;
    }
    return {};
}

namespace {

CSqliteStatement& BindChecksum(CSqliteStatement& statement, int index, const PimRecord& record)
{
    return record.checksum ? statement.Bind(index, std::int64_t{*record.checksum}) : statement.BindNull(index);
}

} // namespace

PimWriteFailure CPimRecordWriter::Insert(PimRecord& record, bool& created)
{
    const SqlResult inserted =
        BindChecksum(m_insertItem.Bind(1, static_cast<std::int64_t>(record.folder))
                         .Bind(2, std::int64_t{record.recurs ? 1 : 0}), 3, record)
            .RunOnce();
    if (!inserted.Ok())
        return Failure("add item", inserted);
    const std::int64_t oid = m_db->LastInsertRowId();
    if (oid <= 0 || oid > kPimMaxObjectId)
        return {E_PIM_FULL, "add item", {0, "no object id below 2^31 is left"}};
    record.oid = static_cast<std::uint32_t>(oid);
    created = true;
    return {};
}

CSqliteStatement& CPimRecordWriter::FieldInsert(std::size_t rows, PimWriteFailure& failure)
{
    CSqliteStatement& statement = m_writeFields[rows - 1];
    if (statement.IsValid())
        return statement;
    std::string sql = "INSERT OR REPLACE INTO fields (oid, field, value) VALUES ";
    for (std::size_t row = 0; row < rows; ++row)
        sql += (row > 0 ? ", (?1, ?" : "(?1, ?") + std::to_string(2 + 2 * row) + ", ?" +
               std::to_string(3 + 2 * row) + ")";
    SqlResult result;
    statement = m_db->Prepare(sql, &result);
    if (!result.Ok())
        failure = Failure("prepare fields", result);
    return statement;
}

PimWriteFailure CPimRecordWriter::WriteFields(const PimRecord& record)
{
    std::vector<const PimFieldValue*> values;
    values.reserve(record.fields.size());
    for (const PimFieldValue& value : record.fields) {
        if (TypeOfField(value.field) != PimFieldType::Unknown)
            values.push_back(&value);
    }
    for (std::size_t first = 0; first < values.size(); first += kFieldsPerInsert) {
        const std::size_t rows = std::min(kFieldsPerInsert, values.size() - first);
        PimWriteFailure failure;
        CSqliteStatement& insert = FieldInsert(rows, failure);
        if (Failed(failure.status))
            return failure;
        insert.Bind(1, static_cast<std::int64_t>(record.oid));
        for (std::size_t row = 0; row < rows; ++row) {
            const PimFieldValue& value = *values[first + row];
            const int index = static_cast<int>(2 + 2 * row);
            insert.Bind(index, static_cast<std::int64_t>(value.field));
            if (TypeOfField(value.field) == PimFieldType::Text)
                insert.Bind(index + 1, Utf16ToUtf8(value.text));
            else if (TypeOfField(value.field) == PimFieldType::Date)
                insert.Bind(index + 1, PimDateText(value.number));
            else
                insert.Bind(index + 1, static_cast<std::int64_t>(value.number));
        }
        const SqlResult written = insert.RunOnce();
        if (!written.Ok())
            return Failure("write field", written);
    }
    return {};
}

PimWriteFailure CPimRecordWriter::WriteRecurrence(const PimRecord& record)
{
    const auto oid = static_cast<std::int64_t>(record.oid);
    const PimRecurrence& pattern = record.recurrence;
    SqlResult written = m_writeRecurrence.Bind(1, oid)
                            .Bind(2, std::int64_t{pattern.recurrenceType})
                            .Bind(3, std::int64_t{pattern.interval})
                            .Bind(4, std::int64_t{pattern.instance})
                            .Bind(5, std::int64_t{pattern.dayOfMonth})
                            .Bind(6, std::int64_t{pattern.monthOfYear})
                            .Bind(7, std::int64_t{pattern.dayOfWeekMask})
                            .Bind(8, std::int64_t{pattern.occurrences})
                            .Bind(9, std::int64_t{pattern.noEndDate ? 1 : 0})
                            .Bind(10, PimDateText(pattern.patternStartDate))
                            .Bind(11, PimDateText(pattern.patternEndDate))
                            .RunOnce();
    if (!written.Ok())
        return Failure("write recurrence", written);
    std::int64_t position = 0;
    for (const double date : pattern.exceptionDates) {
        written = m_writeException.Bind(1, oid).Bind(2, ++position).Bind(3, PimDateText(date)).RunOnce();
        if (!written.Ok())
            return Failure("write exception", written);
    }
    return {};
}

PimWriteFailure CPimRecordWriter::WritePicture(const PimRecord& record, const std::string& picture)
{
    const auto oid = static_cast<std::int64_t>(record.oid);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(picture.data());
    const SqlResult written =
        picture.empty() ? m_removePicture.Bind(1, oid).RunOnce()
                        : m_writePicture.Bind(1, oid).BindBlob(2, {bytes, picture.size()}).RunOnce();
    if (!written.Ok())
        return Failure("write picture", written);
    return {};
}

PimWriteFailure CPimRecordWriter::Write(PimRecord& record, const std::string* picture, bool& created)
{
    created = false;
    if (record.oid == 0) {
        // A new item has nothing stored to clear.
        if (PimWriteFailure failure = Insert(record, created); Failed(failure.status))
            return failure;
    } else {
        const auto oid = static_cast<std::int64_t>(record.oid);
        const SqlResult updated =
            BindChecksum(m_updateItem.Bind(1, oid).Bind(2, std::int64_t{record.recurs ? 1 : 0}), 3, record)
                .RunOnce();
        if (!updated.Ok())
            return Failure("update item", updated);
        if (m_db->Changes() == 0)
            return {E_PIM_NOT_FOUND, "update item", {}};
        for (CSqliteStatement* clear : {&m_clearFields, &m_clearRecurrence, &m_clearExceptions}) {
            const SqlResult cleared = clear->Bind(1, oid).RunOnce();
            if (!cleared.Ok())
                return Failure("clear item", cleared);
        }
    }
    if (PimWriteFailure failure = WriteFields(record); Failed(failure.status))
        return failure;
    if (record.recurs) {
        if (PimWriteFailure failure = WriteRecurrence(record); Failed(failure.status))
            return failure;
    }
    if (picture)
        return WritePicture(record, *picture);
    return {};
}
