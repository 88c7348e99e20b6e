#pragma once
// The registry store's tables. Raise kRegistrySchemaVersion with every change and teach
// CRegistry's opener to upgrade a store of the previous version.

inline constexpr int kRegistrySchemaVersion = 1;

// keys: one row per key; the two root keys are rows with an empty path. `path` keeps the spelling of
// the call that created each level, `folded` (ASCII lower case) is what lookups compare. Ids are never
// reused, so a handle to a deleted key cannot reach a new key of the same name.
// key_values: raw bytes with the type word, unchecked, so that readers can apply their own type and
// length rules. `seq` orders values by first write; rewriting a value keeps its place.
inline constexpr const char* kRegistrySchema = R"sql(
CREATE TABLE keys (
    id      INTEGER PRIMARY KEY AUTOINCREMENT,
    root    INTEGER NOT NULL,
    parent  INTEGER REFERENCES keys(id) ON DELETE CASCADE,
    name    TEXT NOT NULL,
    path    TEXT NOT NULL,
    folded  TEXT NOT NULL,
    UNIQUE (root, folded)
);
CREATE INDEX keys_by_parent ON keys(parent);

CREATE TABLE key_values (
    seq     INTEGER PRIMARY KEY,
    key     INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
    name    TEXT NOT NULL,
    folded  TEXT NOT NULL,
    type    INTEGER NOT NULL,
    data    BLOB NOT NULL,
    UNIQUE (key, folded)
);

INSERT INTO keys (root, parent, name, path, folded) VALUES (0, NULL, '', '', ''), (1, NULL, '', '', '');
)sql";
