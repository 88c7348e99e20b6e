#pragma once
// The SIM stand-in's tables. Raise kSimPhonebookSchemaVersion with every change.

inline constexpr int kSimPhonebookSchemaVersion = 1;

// storages: the five phonebooks and their capacities (those of a common SIM card).
// entries: the occupied positions, 1 .. the storage's capacity.
inline constexpr const char* kSimPhonebookSchema = R"sql(
CREATE TABLE storages (
    storage  INTEGER PRIMARY KEY,
    capacity INTEGER NOT NULL
);
CREATE TABLE entries (
    storage  INTEGER NOT NULL REFERENCES storages(storage),
    position INTEGER NOT NULL,
    address  TEXT NOT NULL,
    text     TEXT NOT NULL,
    PRIMARY KEY (storage, position)
);
INSERT INTO storages (storage, capacity) VALUES (1, 5), (2, 20), (4, 10), (8, 4), (16, 250);
)sql";
