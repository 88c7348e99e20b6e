// Day arithmetic behind the FileTime and OLE date conversions, at the epochs and era boundaries.
#include "platform/CivilDays.h"

#include <gtest/gtest.h>

namespace {

TEST(CivilDaysTest, FloorDivRoundsTowardsMinusInfinity)
{
    const struct {
        std::int64_t value, divisor, quotient;
    } cases[] = {
        {7, 2, 3},       {-7, 2, -4},     {7, -2, -4},   {-7, -2, 3},
        {-400, 400, -1}, {-401, 400, -2}, {399, 400, 0}, {0, 5, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FloorDiv(c.value, c.divisor), c.quotient) << c.value << " / " << c.divisor;
}

TEST(CivilDaysTest, DatesAndDayCountsAgreeBothWays)
{
    const struct {
        int year, month, day;
        std::int64_t days;
    } cases[] = {
        {1970, 1, 1, 0},      {1969, 12, 31, -1},     {2000, 2, 29, 11016},    {2000, 3, 1, 11017},
        {1900, 3, 1, -25508}, {1899, 12, 30, -25569}, {1601, 1, 1, -134774},   {0, 3, 1, -719468},
        {0, 2, 29, -719469},  {-1, 12, 31, -719529},  {9999, 12, 31, 2932896},
        // Centuries leap only every 400 years: 1900 and 2100 have no 29 February.
        {1900, 2, 28, -25509}, {2100, 2, 28, 47540},  {2100, 3, 1, 47541},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DaysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day)), c.days)
            << c.year << "-" << c.month << "-" << c.day;
        CivilTime civil;
        civil.hour = 7;
        CivilFromDays(c.days, civil);
        EXPECT_EQ(civil.year, c.year) << c.days;
        EXPECT_EQ(civil.month, c.month) << c.days;
        EXPECT_EQ(civil.day, c.day) << c.days;
        EXPECT_EQ(civil.hour, 7) << "the time of day is left alone";
    }
}

} // namespace
