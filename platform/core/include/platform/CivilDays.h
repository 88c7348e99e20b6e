#pragma once
// Day arithmetic on the proleptic Gregorian calendar, shared by the FileTime conversions and by the
// PIM's OLE dates. Pure functions; valid far beyond the years either can reach.

#include "platform/Clock.h"

#include <cstdint>

// Division rounding towards minus infinity, so that instants before an epoch fall on the day (second,
// millisecond) they belong to.
std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor);

// Days since 1970-01-01 of a date (negative before); month 1..12, day 1..31 (H. Hinnant's
// days_from_civil).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);

// Sets `civil`'s year, month and day to the date `days` after 1970-01-01; leaves its other fields alone.
void CivilFromDays(std::int64_t days, CivilTime& civil);
