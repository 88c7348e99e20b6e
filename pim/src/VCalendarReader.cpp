// VEVENT into a new appointment, VTODO into a new task (vCalendar 1.0, and iCalendar 2.0 as far as the
// items hold its fields). Names, parameters and the words of BEGIN, END and CLASS compare
// case-insensitively; everything before BEGIN:VCALENDAR is ignored; SUMMARY, LOCATION and DESCRIPTION
// are read whole (they are not structured); the rule is read at the end, counted from DTSTART wherever
// it stands; the EXDATE dates of a recurring appointment become its pattern's exceptions.

#include "pim/ItemConverter.h"

#include "OleDate.h"
#include "PropertyReader.h"
#include "RecurrenceRules.h"
#include "pim/AlmanacLog.h"
#include "platform/PimStore.h"
#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <climits>
#include <cmath>
#include <optional>

namespace {

struct CalendarState {
    bool inside = false;
    bool inAlarm = false;
    bool ruleSeen = false;
    std::u16string rule;
    std::u16string exceptionDates; // of every EXDATE, ";" between them
    std::optional<double> start;
};

// BEGIN and END of the calendar and of an alarm; their values compare case-insensitively.
enum class Mark : std::uint8_t { None, CalendarBegins, CalendarEnds, AlarmBegins, AlarmEnds };

Mark MarkOf(CPropertyReader& reader)
{
    const PropertyId id = reader.Id();
    if (id != PropertyId::Begin && id != PropertyId::End)
        return Mark::None;
    const std::u16string& value = reader.NextComponent();
    const bool begins = id == PropertyId::Begin;
    if (EqualsFolded(value, u"VCALENDAR"))
        return begins ? Mark::CalendarBegins : Mark::CalendarEnds;
    if (EqualsFolded(value, u"VALARM"))
        return begins ? Mark::AlarmBegins : Mark::AlarmEnds;
    return Mark::None;
}

TextDialect DialectOfVersion(const std::u16string& version)
{
    return version.starts_with(u"2") ? TextDialect::Modern : TextDialect::VCalendar10;
}

// `dateOnly`, when given, tells whether the text names a day without a time of day.
bool ReadDate(CPropertyReader& reader, double& date, bool* dateOnly = nullptr)
{
    const std::u16string& text = reader.NextComponent();
    if (ParseDateText(text, date)) {
        if (dateOnly)
            *dateOnly = IsDateOnlyText(text);
        return true;
    }
    AlmanacLog("vCalendar: " + Utf16ToUtf8(reader.Name()) + " value \"" + Utf16ToUtf8(text) +
               "\" is not a date; field left unchanged");
    return false;
}

// The date the property holds, set as `field`; nothing (logged, `field` left alone) when it is no date.
std::optional<double> ReadDateField(CPropertyReader& reader, CPimItem& item, PimField field,
                                    bool* dateOnly = nullptr)
{
    double date = 0;
    if (!ReadDate(reader, date, dateOnly))
        return std::nullopt;
    item.SetDate(field, date);
    return date;
}

std::int32_t SensitivityOf(const std::u16string& value)
{
    if (EqualsFolded(value, u"CONFIDENTIAL"))
        return kSensitivityConfidential;
    if (EqualsFolded(value, u"PERSONAL"))
        return kSensitivityPersonal;
    if (EqualsFolded(value, u"PRIVATE"))
        return kSensitivityPrivate;
    return kSensitivityNormal;
}

// PRIORITY 1 is the highest and 9 the lowest; 0 means none was given.
std::int32_t ImportanceOf(std::int32_t priority)
{
    if (priority == 0)
        return kImportanceNormal;
    return priority < 5 ? kImportanceHigh : priority < 9 ? kImportanceNormal : kImportanceLow;
}

// Whole minutes between alarm and start, rounded to the second first, then truncated towards zero.
std::int32_t MinutesBefore(double start, double alarm)
{
    const double seconds = std::round((OleToContinuous(start) - OleToContinuous(alarm)) * 86400.0);
    const double minutes = std::trunc(seconds / 60.0);
    if (minutes > INT32_MAX)
        return INT32_MAX;
    if (minutes < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(minutes);
}

std::int32_t DecimalValue(std::u16string_view text)
{
    std::int64_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9' || value > INT32_MAX)
            break;
        value = value * 10 + (c - u'0');
    }
    return value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(value);
}

// At the end of the calendar: the rule read into a fresh pattern, counted from the start wherever the
// two stood in the text; without a rule, no recurrence. A rule that cannot be read leaves the item
// without recurrence rather than with a pattern the text never asked for.
void ApplyRule(CPimItem& item, const CalendarState& state)
{
    item.ClearRecurrencePattern();
    if (!state.ruleSeen)
        return;
    PimRecurrence* pattern = nullptr;
    if (Failed(item.GetRecurrencePattern(pattern)))
        return;
    CivilTime start;
    const bool hasStart = state.start && OleToCivil(*state.start, start);
    if (Failed(ReadRecurrenceRule(state.rule, hasStart ? &start : nullptr, *pattern))) {
        AlmanacLog("vCalendar: RRULE \"" + Utf16ToUtf8(state.rule) + "\" is not a rule; item left without recurrence");
        item.ClearRecurrencePattern();
        return;
    }
    ReadExceptionDates(state.exceptionDates, *pattern);
}

// What both readers do with a property; false for a property that is the reader's own.
bool ReadShared(CPropertyReader& reader, CPimItem& item, CalendarState& state)
{
    switch (reader.Id()) {
    case PropertyId::Version: reader.SetDialect(DialectOfVersion(reader.NextComponent())); return true;
    case PropertyId::Categories: item.SetText(PimField::Categories, reader.NextComponent()); return true;
    case PropertyId::Description:
        if (!state.inAlarm)
            item.SetText(PimField::Body, reader.WholeValue());
        return true;
    case PropertyId::Summary: item.SetText(PimField::Subject, reader.WholeValue()); return true;
    case PropertyId::Class: item.SetInteger(PimField::Sensitivity, SensitivityOf(reader.NextComponent())); return true;
    case PropertyId::RRule:
        state.rule = reader.NextComponent();
        state.ruleSeen = true;
        return true;
    default: return false;
    }
}

} // namespace

HRESULT ItemConverter::ReadVEvent(CPropertyReader& reader)
{
    CPimItem& item = *m_item;
    CalendarState state;
    bool alarmSeen = false;
    double alarm = 0;
    while (reader.Next()) {
        const Mark mark = MarkOf(reader);
        if (mark == Mark::CalendarBegins) {
            item.SetFlag(PimField::ReminderSet, false);
            state.inside = true;
        } else if (mark == Mark::AlarmBegins) {
            state.inAlarm = true;
        } else if (!state.inside || ReadShared(reader, item, state)) {
            continue;
        } else if (reader.Id() == PropertyId::DtStart) {
            // A start without a time of day ("DTSTART;VALUE=DATE:20250620") makes an all-day event:
            // it stays on that day wherever the handset is.
            bool allDay = false;
            if (const std::optional<double> start = ReadDateField(reader, item, PimField::Start, &allDay)) {
                state.start = start;
                item.SetFlag(PimField::AllDayEvent, allDay);
            }
        } else if (reader.Id() == PropertyId::DtEnd) {
            ReadDateField(reader, item, PimField::End);
        } else if (reader.Id() == PropertyId::Location) {
            item.SetText(PimField::Location, reader.WholeValue());
        } else if (reader.Id() == PropertyId::ExDate) {
            std::u16string_view dates = reader.RawRest();
            while (!dates.empty() && (dates.back() == u'\r' || dates.back() == u'\n'))
                dates.remove_suffix(1);
            if (!state.exceptionDates.empty())
                state.exceptionDates.push_back(u';');
            state.exceptionDates.append(dates);
        } else if (reader.Id() == PropertyId::DAlarm) {
            alarmSeen = ReadDate(reader, alarm) || alarmSeen;
        } else if (mark == Mark::AlarmEnds) {
            state.inAlarm = false;
        } else if (mark == Mark::CalendarEnds) {
            ApplyRule(item, state);
            // Measured once the whole text is read, so a DALARM ahead of DTSTART counts too.
            if (alarmSeen) {
                item.SetInteger(PimField::ReminderMinutesBeforeStart, MinutesBefore(state.start.value_or(0), alarm));
                item.SetFlag(PimField::ReminderSet, true);
            }
            return S_OK;
        }
    }
    AlmanacLog("vCalendar: VEVENT text ends before END:VCALENDAR");
    return E_FAIL;
}

HRESULT ItemConverter::ReadVTodo(CPropertyReader& reader)
{
    CPimItem& item = *m_item;
    CalendarState state;
    while (reader.Next()) {
        const Mark mark = MarkOf(reader);
        if (mark == Mark::CalendarBegins) {
            state.inside = true;
        } else if (mark == Mark::AlarmBegins) {
            state.inAlarm = true;
        } else if (!state.inside || ReadShared(reader, item, state)) {
            continue;
        } else if (reader.Id() == PropertyId::DtStart) {
            if (const std::optional<double> start = ReadDateField(reader, item, PimField::StartDate))
                state.start = start;
        } else if (reader.Id() == PropertyId::Due) {
            ReadDateField(reader, item, PimField::DueDate);
        } else if (reader.Id() == PropertyId::DAlarm) {
            ReadDateField(reader, item, PimField::ReminderTime);
        } else if (reader.Id() == PropertyId::Completed) {
            // The date is kept too, or the next write would drop COMPLETED and the task reopen.
            item.SetFlag(PimField::Complete, true);
            double date = 0;
            if (ParseDateText(reader.NextComponent(), date))
                item.SetDate(PimField::DateCompleted, date);
        } else if (reader.Id() == PropertyId::Priority) {
            item.SetInteger(PimField::Importance, ImportanceOf(DecimalValue(reader.NextComponent())));
        } else if (mark == Mark::AlarmEnds) {
            state.inAlarm = false;
        } else if (mark == Mark::CalendarEnds) {
            ApplyRule(item, state);
            return S_OK;
        }
    }
    AlmanacLog("vCalendar: VTODO text ends before END:VCALENDAR");
    return E_FAIL;
}
