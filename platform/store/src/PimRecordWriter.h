#pragma once
// Writes whole item records into pim.db (layout in PimStoreSchema.h) with statements prepared once per
// connection: a save is a handful of inserts, so preparing them again for every item would cost more
// than the writes. Works inside the caller's transaction; owned by the store, one thread at a time.

#include "platform/PimStore.h"
#include "platform/Sqlite.h"

#include <cstddef>
#include <string>

// What a failed write was doing, and why it failed.
struct PimWriteFailure {
    HRESULT status = S_OK;
    const char* what = "";
    SqlResult result;
};

class CPimRecordWriter {
public:
    // Prepares the statements on an open connection whose layout is in place.
    SqlResult Prepare(CSqliteDb& db);

    // Writes the record: a record with oid 0 is inserted and gets its id (`created` tells), another
    // one replaces the stored item's fields, pattern and exceptions; the picture is replaced when
    // `picture` is not null (an empty one removes it). On failure the transaction holds a partial
    // write the caller rolls back; E_PIM_NOT_FOUND when the item is gone, E_PIM_FULL when no id
    // below 2^31 is left.
    PimWriteFailure Write(PimRecord& record, const std::string* picture, bool& created);

private:
    PimWriteFailure Insert(PimRecord& record, bool& created);
    PimWriteFailure WriteFields(const PimRecord& record);
    PimWriteFailure WriteRecurrence(const PimRecord& record);
    PimWriteFailure WritePicture(const PimRecord& record, const std::string& picture);

    CSqliteDb* m_db = nullptr;
    CSqliteStatement m_insertItem;
    CSqliteStatement m_updateItem;
    CSqliteStatement m_clearFields;
    CSqliteStatement m_clearRecurrence;
    CSqliteStatement m_clearExceptions;
    // Fields go in with one statement per kFieldsPerInsert of them: a statement per field would cost
    // twice as much. Prepared when first needed, by the number of rows.
    static constexpr std::size_t kFieldsPerInsert = 16;
    CSqliteStatement& FieldInsert(std::size_t rows, PimWriteFailure& failure);
    CSqliteStatement m_writeFields[kFieldsPerInsert];
    CSqliteStatement m_writeRecurrence;
    CSqliteStatement m_writeException;
    CSqliteStatement m_writePicture;
    CSqliteStatement m_removePicture;
};

// Dates as the shortest decimal text that reads back to the same OLE date, and back.
std::string PimDateText(double value);
double PimDateFromText(const std::string& text);
