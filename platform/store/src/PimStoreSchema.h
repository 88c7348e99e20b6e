#pragma once
// Layout of pim.db. Raise kPimSchemaVersion with every change and teach CPimStoreSqlite::Logon to
// upgrade older files.
//
// items: one row per contact, appointment or task; AUTOINCREMENT so that an id is never handed out
// twice, even after the item with the highest id was deleted.
// fields: the set fields of an item; text as UTF-8, integers and flags as integers, dates as the
// shortest decimal text that reads back to the same OLE date.
// recurrence, exceptions: the pattern of a recurring item and its exceptions' original dates.
// pictures: a contact's picture bytes.

inline constexpr int kPimSchemaVersion = 1;

inline constexpr char kPimSchema[] = R"sql(
CREATE TABLE items (
    oid INTEGER PRIMARY KEY AUTOINCREMENT,
    folder INTEGER NOT NULL,
    recurs INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX items_by_folder ON items(folder, oid);
CREATE TABLE fields (
    oid INTEGER NOT NULL REFERENCES items(oid) ON DELETE CASCADE,
    field INTEGER NOT NULL,
    value,
    PRIMARY KEY (oid, field)
) WITHOUT ROWID;
CREATE TABLE recurrence (
    oid INTEGER PRIMARY KEY REFERENCES items(oid) ON DELETE CASCADE,
    type INTEGER NOT NULL,
    interval INTEGER NOT NULL,
    instance INTEGER NOT NULL,
    day_of_month INTEGER NOT NULL,
    month_of_year INTEGER NOT NULL,
    day_of_week_mask INTEGER NOT NULL,
    occurrences INTEGER NOT NULL,
    no_end_date INTEGER NOT NULL,
    pattern_start TEXT NOT NULL,
    pattern_end TEXT NOT NULL
);
CREATE TABLE exceptions (
    oid INTEGER NOT NULL REFERENCES items(oid) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    original_date TEXT NOT NULL,
    PRIMARY KEY (oid, position)
) WITHOUT ROWID;
CREATE TABLE pictures (
    oid INTEGER PRIMARY KEY REFERENCES items(oid) ON DELETE CASCADE,
    data BLOB NOT NULL
);
)sql";
