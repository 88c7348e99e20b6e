#pragma once
// Layout of messages.db. Raise kMsgStoreSchemaVersion with every change and teach MAPIMsgStore::Open
// to upgrade older files.
//
// stores: the message stores of the file by display name; a new file holds the "SMS" store.
// folders: a store's folders; the one without a parent is the top of the store, whose children are
// the top folders; `special` is the index of a special folder (0 deleted items, 1 drafts, 2 inbox,
// 3 outbox, 4 sent items).
// messages: one row per message; text as UTF-8, the delivery time as a file time (0 when unknown).
// recipients: a message's recipients in table order.
// Ids come from AUTOINCREMENT, so an entry id is never handed out twice.

inline constexpr int kMsgStoreSchemaVersion = 1;

inline constexpr char kMsgStoreSchema[] = R"sql(
CREATE TABLE stores (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT NOT NULL
);
CREATE TABLE folders (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    store INTEGER NOT NULL REFERENCES stores(id) ON DELETE CASCADE,
    parent INTEGER REFERENCES folders(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    special INTEGER
);
CREATE UNIQUE INDEX folders_by_special ON folders(store, special) WHERE special IS NOT NULL;
CREATE TABLE messages (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    folder INTEGER NOT NULL REFERENCES folders(id) ON DELETE CASCADE,
    class TEXT NOT NULL,
    flags INTEGER NOT NULL,
    subject TEXT NOT NULL,
    body TEXT NOT NULL,
    sender_name TEXT NOT NULL,
    sender_address TEXT NOT NULL,
    delivery_time INTEGER NOT NULL
);
CREATE INDEX messages_by_folder ON messages(folder, id);
CREATE TABLE recipients (
    message INTEGER NOT NULL REFERENCES messages(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    display_name TEXT NOT NULL,
    address TEXT NOT NULL,
    address_type TEXT NOT NULL,
    type INTEGER NOT NULL,
    PRIMARY KEY (message, position)
) WITHOUT ROWID;
INSERT INTO stores (id, name) VALUES (1, 'SMS');
INSERT INTO folders (id, store, parent, name, special) VALUES
    (1, 1, NULL, 'Top of Information Store', NULL),
    (2, 1, 1, 'inbox', 2),
    (3, 1, 1, 'Sent Items', 4),
    (4, 1, 1, 'Drafts', 1),
    (5, 1, 1, 'Outbox', 3),
    (6, 1, 1, 'Deleted Items', 0);
)sql";
