#include "platform/Sqlite.h"

#include "testing/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

mode_t FileMode(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return 0;
    return info.st_mode & 0777;
}

std::string QueryText(CSqliteDb& db, std::string_view sql)
{
    CSqliteStatement statement = db.Prepare(sql);
    return statement.Step() ? statement.Text(0) : std::string("<no row>");
}

class SqliteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_db.Open(Db()).Ok()); }
    std::filesystem::path Db() const { return m_dir.Path() / "test.db"; }

    TempDir m_dir;
    CSqliteDb m_db;
};

TEST_F(SqliteTest, OpenTurnsOnWalForeignKeysAndOwnerOnlyFiles)
{
    EXPECT_EQ(QueryText(m_db, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(QueryText(m_db, "PRAGMA foreign_keys"), "1");
    ASSERT_TRUE(m_db.Exec("CREATE TABLE t (x); INSERT INTO t VALUES (1);").Ok());
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::path file = Db();
        file += suffix;
        ASSERT_TRUE(std::filesystem::exists(file)) << file;
        EXPECT_EQ(FileMode(file), 0600u) << file;
    }
}

TEST_F(SqliteTest, OpenFailsIntoAClosedObjectWhenTheFolderIsMissing)
{
    const SqlResult result = m_db.Open(m_dir.Path() / "missing" / "x.db");
    EXPECT_EQ(result.code, SQLITE_CANTOPEN);
    EXPECT_FALSE(result.message.empty());
    EXPECT_FALSE(m_db.IsOpen());
    EXPECT_EQ(m_db.Exec("SELECT 1").code, SQLITE_MISUSE);
    EXPECT_FALSE(m_db.Prepare("SELECT 1").IsValid());
}

TEST_F(SqliteTest, ValuesRoundTripWithEmptyBlobDistinctFromNull)
{
    ASSERT_TRUE(m_db.Exec("CREATE TABLE t (i INTEGER, s TEXT, b BLOB)").Ok());
    const std::vector<std::uint8_t> bytes = {0, 1, 0, 0xFF};
    CSqliteStatement insert = m_db.Prepare("INSERT INTO t VALUES (?1, ?2, ?3)");
    ASSERT_TRUE(insert.Bind(1, std::int64_t{-5000000000}).Bind(2, "gr\xC3\xBC\xC3\x9F").BindBlob(3, bytes).Run().Ok());
    insert.Reset();
    ASSERT_TRUE(insert.Bind(1, std::int64_t{1}).Bind(2, std::string_view("a\0b", 3)).BindBlob(3, {}).Run().Ok());
    insert.Reset();
    ASSERT_TRUE(insert.BindNull(1).Run().Ok());
    EXPECT_EQ(m_db.Changes(), 1);
    EXPECT_EQ(m_db.LastInsertRowId(), 3);

    CSqliteStatement select = m_db.Prepare("SELECT i, s, b, typeof(b) FROM t ORDER BY rowid");
    ASSERT_TRUE(select.Step());
    EXPECT_EQ(select.Int(0), -5000000000);
    EXPECT_EQ(select.Text(1), "gr\xC3\xBC\xC3\x9F");
    EXPECT_EQ(select.Blob(2), bytes);
    ASSERT_TRUE(select.Step());
    EXPECT_EQ(select.Text(1), std::string("a\0b", 3));
    EXPECT_TRUE(select.Blob(2).empty());
    EXPECT_EQ(select.Text(3), "blob") << "an empty value must not turn into NULL";
    ASSERT_TRUE(select.Step());
    EXPECT_TRUE(select.IsNull(0));
    EXPECT_TRUE(select.IsNull(2)) << "Reset clears the bindings";
    EXPECT_FALSE(select.Step());
    EXPECT_TRUE(select.Done());
    EXPECT_TRUE(select.Result().Ok());
}

TEST_F(SqliteTest, ErrorsComeBackAsCodesWithMessages)
{
    SqlResult result;
    CSqliteStatement bad = m_db.Prepare("SELEC 1", &result);
    EXPECT_FALSE(bad.IsValid());
    EXPECT_EQ(result.code, SQLITE_ERROR);
    EXPECT_NE(result.message.find("syntax"), std::string::npos) << result.message;
    EXPECT_FALSE(bad.Step());
    EXPECT_EQ(bad.Result().code, SQLITE_MISUSE);

    ASSERT_TRUE(m_db.Exec("CREATE TABLE t (x UNIQUE)").Ok());
    ASSERT_TRUE(m_db.Exec("INSERT INTO t VALUES (1)").Ok());
    EXPECT_EQ(m_db.Exec("INSERT INTO t VALUES (1)").code, SQLITE_CONSTRAINT);
    CSqliteStatement duplicate = m_db.Prepare("INSERT INTO t VALUES (?1)");
    EXPECT_EQ(duplicate.Bind(1, std::int64_t{1}).Run().code, SQLITE_CONSTRAINT);
    EXPECT_FALSE(duplicate.Done());

    // A bind past the last parameter stops the statement from running half-bound.
    CSqliteStatement insert = m_db.Prepare("INSERT INTO t VALUES (?1)");
    insert.Bind(1, std::int64_t{2}).Bind(2, std::int64_t{3});
    EXPECT_EQ(insert.Run().code, SQLITE_RANGE);
    EXPECT_EQ(QueryText(m_db, "SELECT count(*) FROM t"), "1");
    insert.Reset();
    EXPECT_TRUE(insert.Bind(1, std::int64_t{2}).Run().Ok());
}

TEST_F(SqliteTest, ImmediateTransactionKeepsOutASecondWriter)
{
    ASSERT_TRUE(m_db.Exec("CREATE TABLE t (x)").Ok());
    CSqliteDb other;
    ASSERT_TRUE(other.Open(Db(), 0).Ok());

    ASSERT_TRUE(m_db.Begin().Ok());
    ASSERT_TRUE(m_db.Exec("INSERT INTO t VALUES (1)").Ok());
    EXPECT_EQ(other.Begin().code, SQLITE_BUSY);
    EXPECT_EQ(QueryText(other, "SELECT count(*) FROM t"), "0") << "readers see the last commit";
    ASSERT_TRUE(m_db.Commit().Ok());

    ASSERT_TRUE(other.Begin().Ok());
    ASSERT_TRUE(other.Exec("INSERT INTO t VALUES (2)").Ok());
    other.Rollback();
    other.Rollback(); // nothing open: harmless
    EXPECT_EQ(QueryText(m_db, "SELECT group_concat(x) FROM t"), "1");
}

TEST_F(SqliteTest, EnsureSchemaCreatesAnEmptyFileOnceAndRefusesOtherLayouts)
{
    struct Case {
        const char* name;
        int stored;            // user_version before; -1: the tables are made by a first EnsureSchema
        const char* statements;
        bool ok;
        const char* message;   // part of the refusal
        const char* rows;      // what the table holds afterwards
    };
    const Case cases[] = {
        {"empty file", 0, "CREATE TABLE t (x); INSERT INTO t VALUES (1);", true, "", "1"},
        {"same layout again", -1, "CREATE TABLE t (x); INSERT INTO t VALUES (2);", true, "", "1"},
        {"newer layout", 3, "CREATE TABLE t (x);", false, "layout version 3 is newer than this program's 2", ""},
        {"older layout", 1, "CREATE TABLE t (x);", false, "layout version 1 is older", ""},
        {"statements fail", 0, "CREATE TABLE t (x); INSERT INTO nowhere VALUES (1);", false, "nowhere", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        CSqliteDb db;
        ASSERT_TRUE(db.Open(folder.Path() / "s.db").Ok());
        const SqlResult before = c.stored < 0 ? db.EnsureSchema(2, "CREATE TABLE t (x); INSERT INTO t VALUES (1);")
                                              : db.SetUserVersion(c.stored);
        ASSERT_TRUE(before.Ok()) << before.message;

        const SqlResult result = db.EnsureSchema(2, c.statements);
        EXPECT_EQ(result.Ok(), c.ok) << result.message;
        EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;
        EXPECT_EQ(db.UserVersion(), c.ok ? 2 : std::max(c.stored, 0)) << "a refused file is left as it was";
        const char* check = c.ok ? "SELECT group_concat(x) FROM t" : "SELECT count(*) FROM sqlite_master";
        EXPECT_EQ(QueryText(db, check), c.ok ? c.rows : "0");
        EXPECT_TRUE(db.Begin().Ok()) << "no transaction is left open";
        db.Rollback();
    }
}

// Layout 3 reached from 1 and 2 in place, the rows kept; a failing step leaves the file as it was.
TEST_F(SqliteTest, EnsureSchemaUpgradesOlderLayoutsInPlace)
{
    const std::string_view upgrades[] = {"ALTER TABLE t ADD COLUMN y; UPDATE t SET y = 'two';",
                                         "UPDATE t SET y = y || '+three';"};
    const std::string_view failing[] = {upgrades[0], "UPDATE nowhere SET y = 1;"};
    struct Case {
        const char* name;
        int stored;
        std::span<const std::string_view> steps;
        bool ok;
        const char* rows; // x:y afterwards
    };
    const Case cases[] = {
        {"from the first layout", 1, upgrades, true, "1:two+three"},
        {"from the second layout", 2, upgrades, true, "1:+three"},
        {"a step fails", 1, failing, false, "1:"},
        {"older than the steps reach", 1, std::span(upgrades).subspan(1), false, "1:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        CSqliteDb db;
        ASSERT_TRUE(db.Open(folder.Path() / "s.db").Ok());
        const char* layout = c.stored == 1 ? "CREATE TABLE t (x); INSERT INTO t VALUES (1);"
                                           : "CREATE TABLE t (x, y); INSERT INTO t VALUES (1, '');";
        ASSERT_TRUE(db.EnsureSchema(c.stored, layout).Ok());

        const SqlResult result = db.EnsureSchema(3, "CREATE TABLE t (x, y);", c.steps);
        EXPECT_EQ(result.Ok(), c.ok) << result.message;
        EXPECT_EQ(db.UserVersion(), c.ok ? 3 : c.stored);
        EXPECT_EQ(QueryText(db, c.ok || c.stored == 2 ? "SELECT x || ':' || y FROM t" : "SELECT x || ':' FROM t"),
                  c.rows);
        EXPECT_TRUE(db.Begin().Ok()) << "no transaction is left open";
        db.Rollback();
    }
}

TEST_F(SqliteTest, UserVersionAndMovesKeepTheConnection)
{
    EXPECT_EQ(m_db.UserVersion(), 0);
    ASSERT_TRUE(m_db.SetUserVersion(7).Ok());

    CSqliteDb moved(std::move(m_db));
    EXPECT_FALSE(m_db.IsOpen());
    EXPECT_EQ(moved.UserVersion(), 7);

    CSqliteStatement statement = moved.Prepare("SELECT 42");
    CSqliteStatement target;
    target = std::move(statement);
    EXPECT_FALSE(statement.IsValid());
    ASSERT_TRUE(target.Step());
    EXPECT_EQ(target.Int(0), 42);

    // Closing with a statement still alive must not break the statement's owner.
    moved.Close();
    EXPECT_FALSE(target.Step());
}

} // namespace
