#pragma once
// vCalendar 1.0 recurrence rules (RRULE) and exception lists (EXDATE) of the pattern of an item.
//
// Rule text: blank-separated tokens: frequency with interval (D, W, MD, MP, YM, YD), then optional
// instance ("2+", "1-"), day or month numbers, weekday codes (MO ... SU) and an end ("#n" a count, "#0"
// no end, or an end date in the UTC form). Writer and reader are not mirror images: a yearly
// nth-weekday pattern is written "MP" with twelve times its interval and read back as monthly; a
// yearly rule by day of the year ("YD1 60") reads as yearly on that month and day and is written "YM".
// An item holds one day, one month and one position: further ones of a list are dropped (logged).

#include "platform/Clock.h"
#include "platform/PimStore.h"

#include <string>
#include <string_view>

// Appends the rule of `pattern`; false, with nothing appended, for a type that has no rule text.
bool AppendRecurrenceRule(std::u16string& out, const PimRecurrence& pattern);

// Appends the exceptions' original dates in UTC form separated by ";"; false, with nothing appended,
// when there is none or one has no text form.
bool AppendExceptionDates(std::u16string& out, const PimRecurrence& pattern);

// Appends the dates of an EXDATE value (separated by ";" or ",") to the pattern's exceptions; a date
// that does not read is left out (logged).
void ReadExceptionDates(std::u16string_view value, PimRecurrence& pattern);

// Reads a rule into `pattern`. `start` is the DTSTART read for the item (null when there is none):
// yearly rules take their day, and their month when the rule names none, from it. E_FAIL for a rule
// whose frequency is unknown; the fields read up to then stay set. An end that follows tokens the
// rule cannot place still ends the pattern.
HRESULT ReadRecurrenceRule(std::u16string_view rule, const CivilTime* start, PimRecurrence& pattern);
