#pragma once
// Layout of pim.db. Raise kPimSchemaVersion with every change and append the step from the layout
// before to kPimSchemaUpgrades, so that older files are brought up in place.
//
// items: one row per contact, appointment or task; AUTOINCREMENT so that an id is never handed out
// twice, even after the item with the highest id was deleted. `checksum` is the item checksum of the
// item's text as the PIM library wrote it when it saved the item, NULL when unknown (a save that did
// not give one); the library fills the unknown ones at its next load. A change to how the library
// writes an item's text makes the kept checksums wrong: it needs a layout step that sets them all to
// NULL.
// fields: the set fields of an item; text as UTF-8, integers and flags as integers, dates as the
// shortest decimal text that reads back to the same OLE date.
// recurrence, exceptions: the pattern of a recurring item and its exceptions' original dates.
// pictures: a contact's picture bytes.
// unsent_map: entries of the maps the server has not received yet, by kind, in the order written.

#include <string_view>

inline constexpr int kPimSchemaVersion = 3;

inline constexpr char kPimSchema[] = R"sql(
CREATE TABLE items (
    oid INTEGER PRIMARY KEY AUTOINCREMENT,
    folder INTEGER NOT NULL,
    recurs INTEGER NOT NULL DEFAULT 0,
    checksum INTEGER
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
CREATE TABLE unsent_map (
    entry INTEGER PRIMARY KEY,
    list TEXT NOT NULL,
    luid TEXT NOT NULL,
    guid TEXT NOT NULL,
    crc TEXT NOT NULL,
    status TEXT NOT NULL
);
)sql";

// Layout 1 to 2: the checksum beside each item, unknown for every item until the library's next load.
// Layout 2 to 3: the unsent maps.
inline constexpr std::string_view kPimSchemaUpgrades[] = {
    "ALTER TABLE items ADD COLUMN checksum INTEGER;",
    "CREATE TABLE unsent_map (entry INTEGER PRIMARY KEY, list TEXT NOT NULL, luid TEXT NOT NULL, "
    "guid TEXT NOT NULL, crc TEXT NOT NULL, status TEXT NOT NULL);",
};
