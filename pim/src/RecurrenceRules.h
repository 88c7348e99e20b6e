#pragma once
// vCalendar 1.0 recurrence rules (RRULE) and exception lists (EXDATE) of the pattern of an item.
//
// Rule text: blank-separated tokens: frequency with interval (D, W, MD, MP, YM1, MP12), then optional
// instance ("2+", "1-"), day or month number, weekday codes (MO ... SU) and an end ("#n" a count, "#0"
// no end, or an end date in the UTC form). Writer and reader are deliberately not mirror images: a
// yearly nth-weekday pattern is written "MP12" and read back as monthly with interval 12; "YD" reads as
// yearly nth-weekday; "YM1 6" takes its day of the month from DTSTART.

#include "platform/PimStore.h"

#include <string>
#include <string_view>

// Appends the rule of `pattern`; false, with nothing appended, for a type that has no rule text.
bool AppendRecurrenceRule(std::u16string& out, const PimRecurrence& pattern);

// Appends the exceptions' original dates in UTC form separated by ";"; false, with nothing appended,
// when there is none or one has no text form.
bool AppendExceptionDates(std::u16string& out, const PimRecurrence& pattern);

// Reads a rule into `pattern`. `startDayOfMonth` is the day of the month of the DTSTART read before
// (-1 when none). E_FAIL for a rule whose frequency is unknown; the fields read up to then stay set.
// Setting a count or an end date ends the "no end" state, as the store's patterns do.
HRESULT ReadRecurrenceRule(std::u16string_view rule, int startDayOfMonth, PimRecurrence& pattern);
