// Millisecond time stamps and scratch file names.
#include "utils/TempFile.h"
#include "utils/Time.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace {

constexpr std::uint64_t kUnixEpoch = 116444736000000000ull;

// Sets an environment variable for one test and puts the old value back.
class CScopedEnv {
public:
    CScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~CScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(Time, MillisecondsSince1970)
{
    const std::pair<std::uint64_t, std::u16string> cases[] = {
        {kUnixEpoch + 1167609600000ull * 10000, u"1167609600000"}, // 1 January 2007 00:00:00 UTC
        {kUnixEpoch, u"0"},
        {kUnixEpoch + 9999, u"0"}, // truncated, not rounded
        {kUnixEpoch - 1, u"0"},    // truncated toward zero
        {kUnixEpoch - 10000, u"-1"},
        {0, u"-11644473600000"}, // 1 January 1601
    };
    for (const auto& [fileTime, text] : cases)
        EXPECT_EQ(MilisecSince1970Text(fileTime), text) << fileTime;

    using std::chrono::milliseconds;
    const auto now = [] {
        return std::chrono::duration_cast<milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    const auto before = now();
    const std::u16string text = GetMilisecSince1970();
    const auto after = now();
    const long long value = std::stoll(std::string(text.begin(), text.end()));
    EXPECT_GE(value, before);
    EXPECT_LE(value, after);
}

// Days of 864000000000 units; the difference is taken modulo 2^64, as the trigger driver takes it.
TEST(Time, SyncIsDueOnceThePeriodHasPassed)
{
    constexpr std::uint64_t day = 864000000000ull;
    const std::uint64_t now = kUnixEpoch + 1167609600000ull * 10000;
    struct Case {
        const char* name;
        std::uint64_t lastSync;
        std::uint32_t periodDays;
        bool due;
    };
    const Case cases[] = {
        {"exactly the period ago", now - 7 * day, 7, true},
        {"a unit short of the period", now - 7 * day + 1, 7, false},
        {"last sync in the future", now + 2 * day, 1, true},
        {"last sync now", now, 1, false},
        {"period zero", 0, 0, false},
        {"longest period 64 bits count", now - 21350398 * day, 21350398, true},
        {"period beyond 64 bits", now - 1, 21350399, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSyncDue(now, c.lastSync, c.periodDays), c.due) << c.name;
}

TEST(TempFile, CreatesPrivateEmptyFilesInTheTemporaryFolder)
{
    CTempDir folder;
    const CScopedEnv tmpdir("TMPDIR", folder.Path().string() + "/");
    const std::u16string first = GetTempFile();
    const std::u16string second = GetTempFile();
    EXPECT_NE(first, second);
    const std::u16string prefix = folder.WidePath("KVX");
    for (const auto& path : {first, second}) {
        ASSERT_EQ(path.substr(0, prefix.size()), prefix);
        EXPECT_EQ(path.substr(path.size() - 4), u".tmp");
        struct stat info {};
        ASSERT_EQ(::stat(std::string(path.begin(), path.end()).c_str(), &info), 0);
        EXPECT_EQ(info.st_size, 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    EXPECT_EQ(GetTempJPGFile(first), first.substr(0, first.size() - 3) + u"JPG");

    const CScopedEnv missing("TMPDIR", folder.Path().string() + "/missing");
    EXPECT_EQ(GetTempFile(), u"");
}

TEST(TempFile, JpgNameReplacesTheLastThreeCharacters)
{
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"/tmp/KVX1234.TMP", u"/tmp/KVX1234.JPG"},
        {u"a.tmp", u"a.JPG"},
        {u"abc", u"JPG"},
        {u"ab", u"JPG"}, // shorter names are dropped whole
        {u"", u"JPG"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(GetTempJPGFile(name), expected);
}
