#include "platform/Sqlite.h"

#include <sqlite3.h>

#include <cassert>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kPrivateFileMode = 0600;

bool IsMemoryPath(const std::filesystem::path& path)
{
    return path.empty() || path.native() == ":memory:";
}

// Creates the file with owner-only access before SQLite sees it, so that it is never readable by
// others, and tightens the mode of a file that already exists.
void MakePrivateFile(const std::filesystem::path& path, bool create)
{
    if (create) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kPrivateFileMode);
        if (fd >= 0)
            ::close(fd);
    }
    ::chmod(path.c_str(), kPrivateFileMode);
}

SqlResult ResultOf(sqlite3* db, int code)
{
    if (code == SQLITE_OK || code == SQLITE_DONE || code == SQLITE_ROW)
        return {};
    SqlResult result;
    result.code = code;
    result.message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    return result;
}

} // namespace

CSqliteDb::~CSqliteDb()
{
    Close();
}

CSqliteDb::CSqliteDb(CSqliteDb&& other) noexcept
    : m_db(other.m_db)
{
    other.m_db = nullptr;
}

CSqliteDb& CSqliteDb::operator=(CSqliteDb&& other) noexcept
{
    if (this != &other) {
        Close();
        m_db = other.m_db;
        other.m_db = nullptr;
    }
    return *this;
}

SqlResult CSqliteDb::Open(const std::filesystem::path& path, int busyTimeoutMs)
{
    Close();
    const bool inMemory = IsMemoryPath(path);
    if (!inMemory)
        MakePrivateFile(path, true);

    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    const int rc = sqlite3_open_v2(inMemory ? ":memory:" : path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        SqlResult result = ResultOf(db, rc);
        sqlite3_close_v2(db);
        return result;
    }
    m_db = db;
    sqlite3_busy_timeout(m_db, busyTimeoutMs);

    // WAL lets readers and one writer work at once across processes. In WAL mode NORMAL still keeps
    // every committed transaction when the process dies; only a power loss may drop the last ones.
    SqlResult result = Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;");
    if (!result.Ok()) {
        Close();
        return result;
    }
    if (!inMemory) {
        // SQLite gives -wal and -shm the database file's mode; files left by an older, looser build
        // are tightened here.
        for (const char* suffix : {"-wal", "-shm"}) {
            std::filesystem::path side = path;
            side += suffix;
            std::error_code error;
            if (std::filesystem::exists(side, error))
                MakePrivateFile(side, false);
        }
    }
    return {};
}

void CSqliteDb::Close()
{
    if (!m_db)
        return;
    // close_v2 defers the close until statements still alive are finalised.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

SqlResult CSqliteDb::Exec(std::string_view sql)
{
    if (!m_db)
        return {SQLITE_MISUSE, "database is not open"};
    const std::string text(sql);
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, &message);
    if (rc == SQLITE_OK)
        return {};
    SqlResult result{rc, message ? message : sqlite3_errstr(rc)};
    sqlite3_free(message);
    return result;
}

CSqliteStatement CSqliteDb::Prepare(std::string_view sql, SqlResult* result)
{
    CSqliteStatement statement;
    if (!m_db) {
        if (result)
            *result = {SQLITE_MISUSE, "database is not open"};
        return statement;
    }
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK || !stmt) {
        if (result)
            *result = rc != SQLITE_OK ? ResultOf(m_db, rc) : SqlResult{SQLITE_MISUSE, "no statement in SQL text"};
        sqlite3_finalize(stmt);
        return statement;
    }
    if (result)
        *result = {};
    statement.m_stmt = stmt;
    statement.m_db = m_db;
    return statement;
}

SqlResult CSqliteDb::Begin()
{
    // IMMEDIATE takes the write lock up front (waiting through the busy timeout); a deferred
    // transaction that upgrades later can fail at once when another process wrote meanwhile.
    return Exec("BEGIN IMMEDIATE");
}

SqlResult CSqliteDb::Commit()
{
    return Exec("COMMIT");
}

void CSqliteDb::Rollback()
{
    if (m_db && !sqlite3_get_autocommit(m_db))
        Exec("ROLLBACK");
}

int CSqliteDb::UserVersion()
{
    CSqliteStatement statement = Prepare("PRAGMA user_version");
    if (!statement.Step())
        return 0;
    return static_cast<int>(statement.Int(0));
}

SqlResult CSqliteDb::SetUserVersion(int version)
{
    return Exec("PRAGMA user_version = " + std::to_string(version));
}

SqlResult CSqliteDb::EnsureSchema(int version, std::string_view statements,
                                  std::span<const std::string_view> upgrades)
{
    if (UserVersion() == version)
        return {};
    SqlResult result = Begin();
    if (!result.Ok())
        return result;
    // Read again under the write lock: another process may have created or upgraded the tables.
    const int found = UserVersion();
    const int oldest = version - static_cast<int>(upgrades.size());
    if (found == 0) {
        result = Exec(statements);
    } else if (found > version || found < oldest) {
        result = {SQLITE_ERROR, "layout version " + std::to_string(found) + " is " +
                                    (found > version ? "newer" : "older") + " than this program's " +
                                    std::to_string(version)};
    } else {
        for (int step = found; step < version && result.Ok(); ++step)
            result = Exec(upgrades[static_cast<std::size_t>(step - oldest)]);
    }
    if (result.Ok() && found != version)
        result = SetUserVersion(version);
    if (result.Ok())
        result = Commit();
    if (!result.Ok())
        Rollback();
    return result;
}

std::int64_t CSqliteDb::LastInsertRowId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int CSqliteDb::Changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

std::string CSqliteDb::ErrorMessage() const
{
    return m_db ? sqlite3_errmsg(m_db) : "database is not open";
}

CSqliteStatement::~CSqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

CSqliteStatement::CSqliteStatement(CSqliteStatement&& other) noexcept
    : m_stmt(other.m_stmt)
    , m_db(other.m_db)
    , m_done(other.m_done)
    , m_result(std::move(other.m_result))
{
    other.m_stmt = nullptr;
    other.m_db = nullptr;
}

CSqliteStatement& CSqliteStatement::operator=(CSqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = other.m_stmt;
        m_db = other.m_db;
        m_done = other.m_done;
        m_result = std::move(other.m_result);
        other.m_stmt = nullptr;
        other.m_db = nullptr;
    }
    return *this;
}

void CSqliteStatement::NoteBind(int code)
{
    // The first failed bind is kept; Step() then refuses to run a half-bound statement.
    if (code != SQLITE_OK && m_result.Ok())
        m_result = ResultOf(m_db, code);
}

CSqliteStatement& CSqliteStatement::Bind(int index, std::int64_t value)
{
    if (m_stmt)
        NoteBind(sqlite3_bind_int64(m_stmt, index, value));
    return *this;
}

CSqliteStatement& CSqliteStatement::Bind(int index, std::string_view text)
{
    if (m_stmt)
        NoteBind(sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
}

CSqliteStatement& CSqliteStatement::BindBlob(int index, std::span<const std::uint8_t> bytes)
{
    if (!m_stmt)
        return *this;
    // A null pointer would bind NULL; an empty value must stay an empty blob.
    if (bytes.empty())
        NoteBind(sqlite3_bind_zeroblob(m_stmt, index, 0));
    else
        NoteBind(sqlite3_bind_blob64(m_stmt, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT));
    return *this;
}

CSqliteStatement& CSqliteStatement::BindNull(int index)
{
    if (m_stmt)
        NoteBind(sqlite3_bind_null(m_stmt, index));
    return *this;
}

bool CSqliteStatement::Step()
{
    if (!m_stmt) {
        m_result = {SQLITE_MISUSE, "statement is not prepared"};
        return false;
    }
    if (!m_result.Ok() || m_done)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE) {
        m_done = true;
        return false;
    }
    m_result = ResultOf(m_db, rc);
    return false;
}

SqlResult CSqliteStatement::Run()
{
    while (Step()) {
    }
    return m_result;
}

SqlResult CSqliteStatement::RunOnce()
{
    SqlResult result = Run();
    Reset();
    return result;
}

void CSqliteStatement::Reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    m_done = false;
    m_result = {};
}

bool CSqliteStatement::IsNull(int column) const
{
    return !m_stmt || sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

std::int64_t CSqliteStatement::Int(int column) const
{
    return m_stmt ? sqlite3_column_int64(m_stmt, column) : 0;
}

std::string CSqliteStatement::Text(int column) const
{
    if (!m_stmt)
        return {};
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    const int size = sqlite3_column_bytes(m_stmt, column);
    return text ? std::string(text, static_cast<std::size_t>(size)) : std::string();
}

std::vector<std::uint8_t> CSqliteStatement::Blob(int column) const
{
    if (!m_stmt)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(m_stmt, column));
    const int size = sqlite3_column_bytes(m_stmt, column);
    if (!bytes || size <= 0)
        return {};
    return std::vector<std::uint8_t>(bytes, bytes + size);
}
