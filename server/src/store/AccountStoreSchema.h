#pragma once
// The account store's tables. Raise kAccountStoreSchemaVersion with every change: a store made by a
// server of another version is refused rather than misread (the reference server's data folders are
// made afresh for each demo and test).

inline constexpr int kAccountStoreSchemaVersion = 4;

// account_settings keeps rowid order: a changed value keeps its place (upsert), so the handset receives
// the settings in the order the account got them.
inline constexpr const char* kAccountStoreSchema = R"sql(
CREATE TABLE accounts (
    user_id         TEXT PRIMARY KEY,
    user_key        TEXT NOT NULL,
    password        TEXT NOT NULL DEFAULT '',
    msisdn          TEXT NOT NULL DEFAULT '',
    config_version  INTEGER NOT NULL DEFAULT 1,
    created_ms      INTEGER NOT NULL
);

CREATE TABLE account_settings (
    user_id  TEXT NOT NULL REFERENCES accounts(user_id) ON DELETE CASCADE,
    name     TEXT NOT NULL,
    value    TEXT NOT NULL,
    UNIQUE (user_id, name)
);

CREATE TABLE devices (
    device_id     TEXT PRIMARY KEY,
    user_id       TEXT REFERENCES accounts(user_id) ON DELETE SET NULL,
    device_key    TEXT NOT NULL DEFAULT '',
    key_delivery  TEXT NOT NULL DEFAULT 'header',
    push_address  TEXT NOT NULL DEFAULT '',
    push_port     INTEGER NOT NULL DEFAULT 0,
    last_address  TEXT NOT NULL DEFAULT '',
    user_agent    TEXT NOT NULL DEFAULT '',
    agent         TEXT NOT NULL DEFAULT '',
    imsi          TEXT NOT NULL DEFAULT '',
    retry_number  INTEGER NOT NULL DEFAULT 0,
    expect_cir    INTEGER NOT NULL DEFAULT 0,
    created_ms    INTEGER NOT NULL,
    last_seen_ms  INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX devices_by_user ON devices(user_id);

CREATE TABLE sessions (
    session_id      TEXT PRIMARY KEY,
    device_id       TEXT NOT NULL,
    challenge       TEXT NOT NULL,
    state           TEXT NOT NULL,
    operation       TEXT NOT NULL DEFAULT '',
    initiator       TEXT NOT NULL DEFAULT '',
    created_ms      INTEGER NOT NULL,
    last_used_ms    INTEGER NOT NULL,
    error_reported  INTEGER NOT NULL DEFAULT 0,
    error_level     INTEGER NOT NULL DEFAULT 0,
    error_message   TEXT NOT NULL DEFAULT ''
);
CREATE INDEX sessions_by_device ON sessions(device_id, created_ms);

-- Contacts, appointments and tasks (kind "contact", "event", "todo"). pim_items keeps rowid order, the
-- order items were created in; a tombstone (deleted = 1) keeps its last text.
CREATE TABLE pim_versions (
    user_id  TEXT PRIMARY KEY REFERENCES accounts(user_id) ON DELETE CASCADE,
    version  INTEGER NOT NULL
);

CREATE TABLE pim_items (
    user_id     TEXT NOT NULL REFERENCES accounts(user_id) ON DELETE CASCADE,
    kind        TEXT NOT NULL,
    guid        TEXT NOT NULL,
    text        TEXT NOT NULL,
    crc         INTEGER NOT NULL,
    version     INTEGER NOT NULL,
    changed_by  TEXT NOT NULL DEFAULT '',
    changed_ms  INTEGER NOT NULL,
    deleted     INTEGER NOT NULL DEFAULT 0,
    UNIQUE (user_id, kind, guid)
);
CREATE INDEX pim_items_by_crc ON pim_items(user_id, kind, crc);

CREATE TABLE pim_maps (
    user_id    TEXT NOT NULL REFERENCES accounts(user_id) ON DELETE CASCADE,
    device_id  TEXT NOT NULL,
    kind       TEXT NOT NULL,
    luid       TEXT NOT NULL,
    guid       TEXT NOT NULL,
    crc        TEXT NOT NULL,
    version    INTEGER NOT NULL,
    confirmed  INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (user_id, device_id, kind, luid),
    UNIQUE (user_id, device_id, kind, guid)
);

-- Text messages; id order is the order they were stored in.
CREATE TABLE sms_messages (
    id          INTEGER PRIMARY KEY,
    user_id     TEXT NOT NULL REFERENCES accounts(user_id) ON DELETE CASCADE,
    folder      TEXT NOT NULL,
    sender      TEXT NOT NULL,
    recipient   TEXT NOT NULL,
    time_s      INTEGER NOT NULL,
    text        TEXT NOT NULL,
    deleted     INTEGER NOT NULL DEFAULT 0,
    created_ms  INTEGER NOT NULL
);
CREATE INDEX sms_messages_by_user ON sms_messages(user_id, id);

-- Media files (their bytes are files named by id in the data folder) and the devices' copies.
CREATE TABLE media_files (
    id           INTEGER PRIMARY KEY,
    user_id      TEXT NOT NULL REFERENCES accounts(user_id) ON DELETE CASCADE,
    name         TEXT NOT NULL,
    size         INTEGER NOT NULL,
    revision     TEXT NOT NULL,
    version      INTEGER NOT NULL,
    uploaded_by  TEXT NOT NULL DEFAULT '',
    thumbnail    BLOB,
    changed_ms   INTEGER NOT NULL,
    deleted      INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX media_files_by_user ON media_files(user_id, id);

CREATE TABLE media_copies (
    user_id    TEXT NOT NULL REFERENCES accounts(user_id) ON DELETE CASCADE,
    device_id  TEXT NOT NULL,
    id         INTEGER NOT NULL,
    url        TEXT NOT NULL,
    revision   TEXT NOT NULL,
    version    INTEGER NOT NULL,
    PRIMARY KEY (user_id, device_id, id),
    UNIQUE (user_id, device_id, url)
);
)sql";
