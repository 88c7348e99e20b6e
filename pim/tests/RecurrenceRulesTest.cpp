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
        {u"YD1 2+ TU #0", 9, S_OK, 6, 1, 2, 9, 0, 4, 0, true},
        {u"W1 TU  TH", -1, S_OK, 1, 1, 0, 0, 0, 4, 0, true},
        {u"D", -1, S_OK, 0, 1, 0, 0, 0, 0, 0, true},
        {u"X1 #0", -1, E_FAIL, 0, 1, 0, 0, 0, 0, 0, true},
        {u"", -1, E_FAIL, 0, 1, 0, 0, 0, 0, 0, true},
        {u"D99999999999999 99999999999+ #99999999999", -1, S_OK, 0, INT32_MAX, INT32_MAX, 0, 0, 0, INT32_MAX, false},
    };
    for (const Case& c : cases) {
        PimRecurrence pattern;
        EXPECT_EQ(ReadRecurrenceRule(c.rule, c.startDay, pattern), c.status) << std::string(c.rule.begin(), c.rule.end());
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
    ASSERT_EQ(ReadRecurrenceRule(u"D1 20071231T230000Z", -1, pattern), S_OK);
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
        {5, 3, 2, 6, 6, 0, 0, true, u"YM1 6 #0"},
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
