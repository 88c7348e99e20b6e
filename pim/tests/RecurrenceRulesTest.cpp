#include "RecurrenceRules.h"

#include "OleDate.h"
#include "ZoneSupport.h"

#include <gtest/gtest.h>

TEST(RecurrenceRules, ReaderTable)
{
    struct Case {
        std::u16string rule;
        int startDay;
        HRESULT status;
        std::int32_t type, interval, instance, dayOfMonth, monthOfYear, mask, occurrences;
        bool noEnd;
    };
    const Case cases[] = {
        {u"W1 MO WE FR #10", -1, S_OK, 1, 1, 0, 0, 0, 42, 10, false},
        {u"MP1 1- FR #0", -1, S_OK, 3, 1, 5, 0, 0, 32, 0, true},
        {u"MP1 2- SU #0", -1, S_OK, 3, 1, -2, 0, 0, 1, 0, true},
        {u"MD2 15 #3", -1, S_OK, 2, 2, 0, 15, 0, 0, 3, false},
        {u"YM1 6 #0", 6, S_OK, 5, 1, 0, 6, 6, 0, 0, true},
        {u"YM1 6 #0", -1, S_OK, 5, 1, 0, 1, 6, 0, 0, true},
        {u"MP12 2+ TU #0", -1, S_OK, 3, 12, 2, 0, 0, 4, 0, true},
        {u"YD1 2+ TU #0", 9, S_OK, 6, 1, 2, 9, 3, 4, 0, true},
        {u"YD1 60 #5", 1, S_OK, 5, 1, 0, 1, 3, 0, 5, false},
        {u"YM2 5 #10", 22, S_OK, 5, 2, 0, 22, 5, 0, 10, false},
        {u"YM1 #0", 22, S_OK, 5, 1, 0, 22, 3, 0, 0, true},
        {u"MD1 1 15 #4", -1, S_OK, 2, 1, 0, 1, 0, 0, 4, false},
        {u"MD1 1- #0", -1, S_OK, 2, 1, 5, 0, 0, 0, 0, true},
        {u"W1 MO junk #3", -1, S_OK, 1, 1, 0, 0, 0, 2, 3, false},
        {u"W1 TU  TH", -1, S_OK, 1, 1, 0, 0, 0, 4, 0, true},
        {u"D", -1, S_OK, 0, 1, 0, 0, 0, 0, 0, true},
        {u"X1 #0", -1, E_FAIL, 0, 1, 0, 0, 0, 0, 0, true},
        {u"", -1, E_FAIL, 0, 1, 0, 0, 0, 0, 0, true},
        {u"D99999999999999 99999999999+ #99999999999", -1, S_OK, 0, INT32_MAX, INT32_MAX, 0, 0, 0, INT32_MAX, false},
    };
    for (const Case& c : cases) {
        PimRecurrence pattern;
        const CivilTime start{2007, 3, c.startDay, 10, 0, 0, 0, 0};
        EXPECT_EQ(ReadRecurrenceRule(c.rule, c.startDay > 0 ? &start : nullptr, pattern), c.status)
            << std::string(c.rule.begin(), c.rule.end());
        EXPECT_EQ(pattern.recurrenceType, c.type);
        EXPECT_EQ(pattern.interval, c.interval);
        EXPECT_EQ(pattern.instance, c.instance);
        EXPECT_EQ(pattern.dayOfMonth, c.dayOfMonth);
        EXPECT_EQ(pattern.monthOfYear, c.monthOfYear);
        EXPECT_EQ(pattern.dayOfWeekMask, c.mask);
        EXPECT_EQ(pattern.occurrences, c.occurrences);
        EXPECT_EQ(pattern.noEndDate, c.noEnd);
    }
}

TEST(RecurrenceRules, EndDateIsUtcConvertedToLocal)
{
    ScopedTimeZone zone("Europe/Berlin");
    PimRecurrence pattern;
    ASSERT_EQ(ReadRecurrenceRule(u"D1 20071231T230000Z", nullptr, pattern), S_OK);
    EXPECT_NEAR(pattern.patternEndDate, CivilToOle(CivilTime{2008, 1, 1, 0, 0, 0, 0, 0}), 1e-9);
    EXPECT_FALSE(pattern.noEndDate);
}

TEST(RecurrenceRules, WriterTable)
{
    struct Case {
        std::int32_t type, interval, instance, dayOfMonth, monthOfYear, mask, occurrences;
        bool noEnd;
        std::u16string rule;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0, 0, true, u"D1 #0"},
        {1, 2, 0, 0, 0, 127, 4, false, u"W2 MO TU WE TH FR SA SU #4"},
        {3, 1, 5, 0, 0, 127, 0, true, u"MP1 1- #0"},
        {5, 3, 2, 6, 6, 0, 0, true, u"YM3 6 #0"},
        {6, 2, 5, 0, 3, 4, 0, true, u"MP24 1- TU #0"},
        {2, 1, 0, 31, 0, 0, 0, false, u"MD1 31"},
    };
    for (const Case& c : cases) {
        PimRecurrence pattern;
        pattern.recurrenceType = c.type;
        pattern.interval = c.interval;
        pattern.instance = c.instance;
        pattern.dayOfMonth = c.dayOfMonth;
        pattern.monthOfYear = c.monthOfYear;
        pattern.dayOfWeekMask = c.mask;
        pattern.occurrences = c.occurrences;
        pattern.noEndDate = c.noEnd;
        std::u16string out;
        EXPECT_TRUE(AppendRecurrenceRule(out, pattern));
        EXPECT_EQ(out, c.rule);
    }
    PimRecurrence unknown;
    unknown.recurrenceType = 4;
    std::u16string out;
    EXPECT_FALSE(AppendRecurrenceRule(out, unknown));
    EXPECT_FALSE(AppendExceptionDates(out, unknown));
    unknown.exceptionDates = {NO_DATE};
    EXPECT_FALSE(AppendExceptionDates(out, unknown));
    EXPECT_TRUE(out.empty());
}

// Every frequency with its interval, day list and end reads into the pattern and is written back as it
// was; rules that say more than an item holds are written back as what the item kept.
TEST(RecurrenceRules, RulesWriteBackAsRead)
{
    ScopedTimeZone zone("UTC");
    struct Case {
        std::u16string rule;
        CivilTime start;
        std::u16string written;
    };
    const CivilTime march1{2007, 3, 1, 10, 0, 0, 0, 0};
    const Case cases[] = {
        {u"D2 #5", march1, u"D2 #5"},
        {u"W1 MO WE FR #10", march1, u"W1 MO WE FR #10"},
        {u"W2 TU 20071231T230000Z", march1, u"W2 TU 20071231T230000Z"},
        {u"MD1 15 #0", march1, u"MD1 15 #0"},
        {u"MD3 1- #6", march1, u"MD3 1- #6"},
        {u"MP1 1- FR #0", march1, u"MP1 1- FR #0"},
        {u"MP2 2+ TU #4", march1, u"MP2 2+ TU #4"},
        {u"MP12 2+ TU #0", march1, u"MP12 2+ TU #0"},
        {u"YM2 5 #10", march1, u"YM2 5 #10"},
        {u"YM1 3 20121231T000000Z", march1, u"YM1 3 20121231T000000Z"},
        {u"YD1 60 #5", march1, u"YM1 3 #5"},
        {u"YD1 60 #5", CivilTime{2008, 2, 29, 0, 0, 0, 0, 0}, u"YM1 2 #5"},
        {u"MD1 1 15 #4", march1, u"MD1 1 #4"},
    };
    for (const Case& c : cases) {
        PimRecurrence pattern;
        ASSERT_EQ(ReadRecurrenceRule(c.rule, &c.start, pattern), S_OK);
        std::u16string out;
        EXPECT_TRUE(AppendRecurrenceRule(out, pattern));
        EXPECT_EQ(out, c.written) << std::string(c.rule.begin(), c.rule.end());
    }
}

// An exception list as other programs write it: either separator, several values, a bad date left out.
TEST(RecurrenceRules, ExceptionDatesReadBackAsWritten)
{
    ScopedTimeZone zone("Europe/Berlin");
    PimRecurrence pattern;
    ReadExceptionDates(u"20070319T090000Z,2007-03-21T09:00:00Z;not-a-date;;20070716T080000Z", pattern);
    std::u16string out;
    ASSERT_TRUE(AppendExceptionDates(out, pattern));
    EXPECT_EQ(out, u"20070319T090000Z;20070321T090000Z;20070716T080000Z");
}
