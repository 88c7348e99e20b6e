#pragma once
// OLE dates and the date-time texts of vCard and vCalendar.
//
// An OLE date counts days since 30 December 1899 00:00, local time, with the time of day as the
// fraction. Before that day the integer part counts backwards but the fraction still counts forwards
// (-1.25 is 29 December 1899 06:00), so such dates are moved onto a continuous scale before they are
// compared or converted. Dates of NO_DATE (900000.0) and above mean "no date".
//
// Text form: "%04d%02d%02dT%02d%02d%02d", local time, or UTC followed by "Z". UTC is computed with the
// zone's real offset at that instant (the TZ database, daylight saving included), so the text is true
// UTC and a round trip on one device restores the local time.

#include "platform/Clock.h"

#include <string>
#include <string_view>

double OleToContinuous(double ole);
double ContinuousToOle(double value);

// Civil fields of an OLE date, rounded to the nearest second. False for NO_DATE and above, values that
// are not finite and years outside 1..9999.
bool OleToCivil(double ole, CivilTime& civil);
// The OLE date of valid civil fields.
double CivilToOle(const CivilTime& civil);

// Appends the text form of a local OLE date (with "Z" and converted to UTC when `utc`); false, with
// nothing appended, for a date that has no text form (NO_DATE and above, years outside 1..9999).
bool AppendDateText(std::u16string& out, double localOle, bool utc);

// Reads a date-time text: characters 1-4 year, 5-6 month, 7-8 day, 10-11 hour, 12-13 minute, 14-15
// second, each decimal with a missing part counting 0; a final "Z" marks UTC, converted to local time.
// The extended form with "-" and ":" ("2007-03-15T10:00:00Z") reads the same.
// False when the fields do not form a valid date and time (month 13, 30 February, hour 24, ...).
bool ParseDateText(std::u16string_view text, double& localOle);
// Reads only the date part (characters 1 to 8) as local midnight.
bool ParseDateOnly(std::u16string_view text, double& localOle);
// Whether a date text names a day without a time of day ("20250620", "2025-06-20").
bool IsDateOnlyText(std::u16string_view text);
// Appends "%04d%02d%02d" of the local day of an OLE date; false, with nothing appended, as AppendDateText.
bool AppendDateOnlyText(std::u16string& out, double localOle);
