#include "platform/Clock.h"

#include "testing/TempDir.h"

#include <ctime>
#include <gtest/gtest.h>

namespace {

CivilTime Civil(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int millisecond = 0)
{
    CivilTime civil;
    civil.year = year;
    civil.month = month;
    civil.day = day;
    civil.hour = hour;
    civil.minute = minute;
    civil.second = second;
    civil.millisecond = millisecond;
    return civil;
}

std::string Text(const CivilTime& civil)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", civil.year, civil.month, civil.day,
                  civil.hour, civil.minute, civil.second, civil.millisecond);
    return buffer;
}

FileTime Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return CivilToFileTime(Civil(year, month, day, hour, minute, second));
}

TEST(CivilTimeTest, KnownInstants)
{
    // 2007-01-01 00:00 UTC: 1167609600 s after 1970, which is 11644473600 s after 1601.
    constexpr FileTime kNewYear2007 = 128120832000000000ULL;
    EXPECT_EQ(Text(FileTimeToCivil(kNewYear2007)), "2007-01-01 00:00:00.000");
    EXPECT_EQ(FileTimeToCivil(kNewYear2007).dayOfWeek, 1); // Monday
    EXPECT_EQ(Utc(2007, 1, 1), kNewYear2007);

    EXPECT_EQ(Text(FileTimeToCivil(0)), "1601-01-01 00:00:00.000");
    EXPECT_EQ(FileTimeToCivil(0).dayOfWeek, 1);
    EXPECT_EQ(Text(FileTimeToCivil(kFileTimeAt1970)), "1970-01-01 00:00:00.000");
    EXPECT_EQ(FileTimeToCivil(kFileTimeAt1970).dayOfWeek, 4);
    EXPECT_EQ(Text(FileTimeToCivil(kFileTimeAt1970 + 12345678)), "1970-01-01 00:00:01.234");
    EXPECT_EQ(Text(FileTimeToCivil(Utc(30827, 12, 31, 23, 59, 59))), "30827-12-31 23:59:59.000");
}

TEST(CivilTimeTest, AgreesWithTheHostCalendar)
{
    // Every 7,777,777 seconds from 1601 to 2400, checked against the C library's gmtime_r.
    const std::int64_t from = -11644473600;
    const std::int64_t to = 13574563200;
    for (std::int64_t seconds = from; seconds < to; seconds += 7777777) {
        const auto when = static_cast<std::time_t>(seconds);
        std::tm host{};
        ASSERT_TRUE(gmtime_r(&when, &host));
        const FileTime time = static_cast<FileTime>(seconds - from) * 10000000;
        const CivilTime civil = FileTimeToCivil(time);
        ASSERT_EQ(Text(civil), Text(Civil(host.tm_year + 1900, host.tm_mon + 1, host.tm_mday, host.tm_hour,
                                          host.tm_min, host.tm_sec)))
            << seconds;
        ASSERT_EQ(civil.dayOfWeek, host.tm_wday) << seconds;
        ASSERT_EQ(CivilToFileTime(civil), time) << seconds;
    }
}

TEST(CivilTimeTest, OutOfRangeFieldsCarry)
{
    EXPECT_EQ(CivilToFileTime(Civil(2006, 13, 1)), Utc(2007, 1, 1));
    EXPECT_EQ(CivilToFileTime(Civil(2007, 0, 1)), Utc(2006, 12, 1));
    EXPECT_EQ(CivilToFileTime(Civil(2008, 3, 0)), Utc(2008, 2, 29));
    EXPECT_EQ(CivilToFileTime(Civil(1900, 2, 29)), Utc(1900, 3, 1));
    EXPECT_EQ(CivilToFileTime(Civil(2007, 1, 1, 24)), Utc(2007, 1, 2));
    EXPECT_EQ(CivilToFileTime(Civil(2007, 1, 1, 0, -1)), Utc(2006, 12, 31, 23, 59));
    EXPECT_EQ(CivilToFileTime(Civil(2007, 1, 1, 0, 0, 0, 1500)), Utc(2007, 1, 1, 0, 0, 1) + 5000000);
    EXPECT_EQ(CivilToFileTime(Civil(1600, 12, 31)), 0u) << "before 1601 sticks to the start";
    EXPECT_EQ(CivilToFileTime(Civil(2147483647, 1, 1)), ~FileTime{0}) << "beyond the end sticks to the end";
}

// Runs a case in one zone and restores the process's zone afterwards.
class ZoneTest : public ::testing::Test {
protected:
    void Zone(const char* zone)
    {
        m_tz.emplace("TZ", zone);
        tzset();
    }
    void TearDown() override
    {
        m_tz.reset();
        tzset();
    }

    static std::string Local(FileTime utc) { return Text(UtcToLocal(utc)); }
    static std::string UtcOfLocal(int year, int month, int day, int hour, int minute)
    {
        return Text(FileTimeToCivil(LocalToUtc(Civil(year, month, day, hour, minute))));
    }

    std::optional<ScopedEnv> m_tz;
};

TEST_F(ZoneTest, BerlinAroundItsChanges)
{
    Zone("Europe/Berlin");
    const FileTime second = 10000000;
    // Spring: 2026-03-29 01:00 UTC, clocks jump from 02:00 CET to 03:00 CEST.
    const FileTime spring = Utc(2026, 3, 29, 1);
    EXPECT_EQ(Local(spring - second), "2026-03-29 01:59:59.000");
    EXPECT_EQ(Local(spring), "2026-03-29 03:00:00.000");
    EXPECT_EQ(LocalOffsetMinutes(spring - second), 60);
    EXPECT_EQ(LocalOffsetMinutes(spring), 120);
    // Autumn: 2026-10-25 01:00 UTC, clocks go back from 03:00 CEST to 02:00 CET.
    const FileTime autumn = Utc(2026, 10, 25, 1);
    EXPECT_EQ(Local(autumn - second), "2026-10-25 02:59:59.000");
    EXPECT_EQ(Local(autumn), "2026-10-25 02:00:00.000");
    EXPECT_EQ(LocalOffsetMinutes(autumn - second), 120);
    EXPECT_EQ(LocalOffsetMinutes(autumn), 60);

    EXPECT_EQ(UtcOfLocal(2026, 3, 29, 1, 59), "2026-03-29 00:59:00.000");
    EXPECT_EQ(UtcOfLocal(2026, 3, 29, 2, 30), "2026-03-29 01:30:00.000") << "skipped: taken as still CET";
    EXPECT_EQ(UtcOfLocal(2026, 3, 29, 3, 0), "2026-03-29 01:00:00.000");
    EXPECT_EQ(UtcOfLocal(2026, 10, 25, 1, 59), "2026-10-24 23:59:00.000");
    EXPECT_EQ(UtcOfLocal(2026, 10, 25, 2, 30), "2026-10-25 00:30:00.000") << "repeated: the earlier instant";
    EXPECT_EQ(UtcOfLocal(2026, 10, 25, 3, 0), "2026-10-25 02:00:00.000");
}

TEST_F(ZoneTest, NewYorkAroundItsChanges)
{
    Zone("America/New_York");
    // 2026-03-08 02:00 EST becomes 03:00 EDT (07:00 UTC); 2026-11-01 02:00 EDT becomes 01:00 EST.
    EXPECT_EQ(Local(Utc(2026, 3, 8, 6, 59, 59)), "2026-03-08 01:59:59.000");
    EXPECT_EQ(Local(Utc(2026, 3, 8, 7)), "2026-03-08 03:00:00.000");
    EXPECT_EQ(LocalOffsetMinutes(Utc(2026, 1, 15)), -300);
    EXPECT_EQ(LocalOffsetMinutes(Utc(2026, 7, 15)), -240);
    EXPECT_EQ(Local(Utc(2026, 11, 1, 5, 59, 59)), "2026-11-01 01:59:59.000");
    EXPECT_EQ(Local(Utc(2026, 11, 1, 6)), "2026-11-01 01:00:00.000");

    EXPECT_EQ(UtcOfLocal(2026, 3, 8, 2, 30), "2026-03-08 07:30:00.000");
    EXPECT_EQ(UtcOfLocal(2026, 11, 1, 1, 30), "2026-11-01 05:30:00.000");
    EXPECT_EQ(UtcOfLocal(2026, 11, 1, 2, 30), "2026-11-01 07:30:00.000");
}

TEST_F(ZoneTest, TokyoHasNoChanges)
{
    Zone("Asia/Tokyo");
    EXPECT_EQ(LocalOffsetMinutes(Utc(2026, 1, 15)), 540);
    EXPECT_EQ(LocalOffsetMinutes(Utc(2026, 7, 15)), 540);
    EXPECT_EQ(UtcOfLocal(2026, 3, 29, 2, 30), "2026-03-28 17:30:00.000");
    EXPECT_EQ(Local(Utc(2026, 10, 25, 1)), "2026-10-25 10:00:00.000");
}

TEST_F(ZoneTest, LocalTimesRoundTripOutsideTheChanges)
{
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Asia/Tokyo", "UTC"}) {
        Zone(zone);
        for (const CivilTime& local : {Civil(1999, 12, 31, 23, 59, 59, 999), Civil(2026, 3, 29, 4, 0),
                                       Civil(2026, 7, 1, 12, 30, 15, 250), Civil(2040, 10, 24, 8, 5)}) {
            const FileTime utc = LocalToUtc(local);
            EXPECT_EQ(Text(UtcToLocal(utc)), Text(local)) << zone;
            EXPECT_EQ(utc + static_cast<std::int64_t>(LocalOffsetMinutes(utc)) * 600000000, CivilToFileTime(local))
                << zone;
        }
    }
}

} // namespace
