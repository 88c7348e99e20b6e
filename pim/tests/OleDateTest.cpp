// Date texts to OLE dates: a 29 February exists only in leap years, and a century is one only every
// 400 years.

#include "OleDate.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(OleDateTest, TwentyNinthOfFebruaryOnlyInLeapYears)
{
    struct Case {
        const char16_t* date;
        bool valid;
    };
    const Case cases[] = {
        {u"20000229", true},  {u"20040229", true},  {u"16000229", true},  {u"19000229", false},
        {u"21000229", false}, {u"20010229", false}, {u"20000230", false}, {u"19000228", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.date, c.date + 8));
        double ole = 0;
        EXPECT_EQ(ParseDateOnly(c.date, ole), c.valid);
        EXPECT_EQ(ParseDateText(std::u16string(c.date) + u"T120000", ole), c.valid);
        if (!c.valid)
            continue;
        CivilTime civil;
        ASSERT_TRUE(OleToCivil(ole, civil));
        const std::u16string text(c.date);
        EXPECT_EQ(civil.month, (text[4] - u'0') * 10 + (text[5] - u'0'));
        EXPECT_EQ(civil.day, (text[6] - u'0') * 10 + (text[7] - u'0'));
    }
}

} // namespace
