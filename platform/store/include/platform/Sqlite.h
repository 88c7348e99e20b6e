#pragma once
// A small wrapper over SQLite for the stores of the platform layer and the reference server.
//
// One CSqliteDb owns one connection. Open() turns on WAL, a busy timeout and foreign keys and sets the
// file mode to 0600. Errors come back as values with SQLite's message; nothing throws. A connection
// may be used from several threads, one call at a time (the caller serialises, or uses one connection
// per thread).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

struct SqlResult {
    int code = 0;           // SQLite result code (0 = OK)
    std::string message;    // empty when OK
    bool Ok() const { return code == 0; }
};

class CSqliteStatement;

class CSqliteDb {
public:
    CSqliteDb() = default;
    ~CSqliteDb();
    CSqliteDb(const CSqliteDb&) = delete;
    CSqliteDb& operator=(const CSqliteDb&) = delete;
    CSqliteDb(CSqliteDb&& other) noexcept;
    CSqliteDb& operator=(CSqliteDb&& other) noexcept;

    // Opens (creating when missing) the database file; parent folders must exist. ":memory:" (or an
    // empty path) opens a private in-memory database. On failure the object stays closed.
    SqlResult Open(const std::filesystem::path& path, int busyTimeoutMs = 10000);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }

    // Runs one or more statements without results.
    SqlResult Exec(std::string_view sql);
    // Prepares one statement; on failure the statement is empty and `result` says why.
    CSqliteStatement Prepare(std::string_view sql, SqlResult* result = nullptr);

    // BEGIN IMMEDIATE / COMMIT / ROLLBACK.
    SqlResult Begin();
    SqlResult Commit();
    void Rollback();

    // Schema versioning: PRAGMA user_version.
    int UserVersion();
    SqlResult SetUserVersion(int version);
    // Makes the file hold the tables of layout `version`: an empty file (version 0) gets `statements`
    // and the version in one write transaction, so that two processes meeting the same empty file
    // create the tables once. A file of an older layout is brought up in place by the last of
    // `upgrades` (upgrades[i] turns layout version - size + i into the next one), all in that same
    // transaction, so a crash leaves the old layout whole. A newer layout, or one older than the
    // upgrades reach, is left untouched and refused (the message names both versions).
    SqlResult EnsureSchema(int version, std::string_view statements,
                           std::span<const std::string_view> upgrades = {});

    std::int64_t LastInsertRowId() const;
    int Changes() const;
    std::string ErrorMessage() const;

private:
    sqlite3* m_db = nullptr;
};

class CSqliteStatement {
public:
    CSqliteStatement() = default;
    ~CSqliteStatement();
    CSqliteStatement(const CSqliteStatement&) = delete;
    CSqliteStatement& operator=(const CSqliteStatement&) = delete;
    CSqliteStatement(CSqliteStatement&& other) noexcept;
    CSqliteStatement& operator=(CSqliteStatement&& other) noexcept;

    bool IsValid() const { return m_stmt != nullptr; }

    // Parameters are numbered from 1.
    CSqliteStatement& Bind(int index, std::int64_t value);
    CSqliteStatement& Bind(int index, std::string_view text); // UTF-8
    CSqliteStatement& BindBlob(int index, std::span<const std::uint8_t> bytes);
    CSqliteStatement& BindNull(int index);

    // Steps once: true while a row is available; Done() tells whether the statement ran to its end
    // and Result() what went wrong otherwise. A failed Bind is kept in Result() and the statement
    // does not run until Reset().
    bool Step();
    bool Done() const { return m_done; }
    const SqlResult& Result() const { return m_result; }
    // Steps to the end (for statements without rows); returns the outcome.
    SqlResult Run();
    // Run, then Reset: a statement kept prepared is ready for its next use whatever the outcome.
    SqlResult RunOnce();
    void Reset(); // clears bindings too

    // Columns are numbered from 0.
    bool IsNull(int column) const;
    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    std::vector<std::uint8_t> Blob(int column) const;

private:
    friend class CSqliteDb;
    void NoteBind(int code);

    sqlite3_stmt* m_stmt = nullptr;
    sqlite3* m_db = nullptr;
    bool m_done = false;
    SqlResult m_result;
};
