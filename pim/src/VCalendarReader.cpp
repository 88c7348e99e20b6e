// VEVENT into a new appointment, VTODO into a new task. Names compare case-sensitively; everything
// before BEGIN:VCALENDAR is ignored; EXDATE is kept in the converter, not applied.

#include "pim/ItemConverter.h"

#include "OleDate.h"
#include "PropertyReader.h"
#include "RecurrenceRules.h"
#include "pim/AlmanacLog.h"
#include "platform/PimStore.h"
#include "utils/Utf.h"

#include <climits>
#include <cmath>
#include <optional>

namespace {

struct CalendarState {
    bool inside = false;
    bool inAlarm = false;
    bool ruleSeen = false;
};

bool ReadDate(CPropertyReader& reader, double& date)
{
    const std::u16string& text = reader.NextComponent();
    if (ParseDateText(text, date))
        return true;
    AlmanacLog("vCalendar: " + Utf16ToUtf8(reader.Name()) + " value \"" + Utf16ToUtf8(text) +
               "\" is not a date; field left unchanged");
    return false;
}

// The date the property holds, set as `field`; nothing (logged, `field` left alone) when it is no date.
std::optional<double> ReadDateField(CPropertyReader& reader, CPimItem& item, PimField field)
{
    double date = 0;
    if (!ReadDate(reader, date))
        return std::nullopt;
    item.SetDate(field, date);
    return date;
}

// The day of the month a monthly rule counts from: the start's; -1 without a start.
int DayOfMonth(std::optional<double> start)
{
    CivilTime civil;
    return start && OleToCivil(*start, civil) ? civil.day : -1;
}

std::int32_t SensitivityOf(const std::u16string& value)
{
    if (value == u"CONFIDENTIAL")
        return kSensitivityConfidential;
    if (value == u"PERSONAL")
        return kSensitivityPersonal;
    if (value == u"PRIVATE")
        return kSensitivityPrivate;
    return kSensitivityNormal;
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

} // namespace

// Clears the recurrence and reads the rule into a fresh pattern. A rule that cannot be read leaves the
// item without recurrence rather than with a pattern the text never asked for.
void ItemConverter::ReadRule(CPropertyReader& reader)
{
    const std::u16string& rule = reader.NextComponent();
    m_item->ClearRecurrencePattern();
    PimRecurrence* pattern = nullptr;
    if (Failed(m_item->GetRecurrencePattern(pattern)))
        return;
    if (Failed(ReadRecurrenceRule(rule, m_startDayOfMonth, *pattern))) {
        AlmanacLog("vCalendar: RRULE \"" + Utf16ToUtf8(rule) + "\" is not a rule; item left without recurrence");
        m_item->ClearRecurrencePattern();
    }
}

HRESULT ItemConverter::ReadVEvent(CPropertyReader& reader)
{
    CPimItem& item = *m_item;
    CalendarState state;
    double start = 0;
    bool alarmSeen = false;
    double alarm = 0;
    m_startDayOfMonth = -1;
    while (reader.Next()) {
        const std::u16string_view name = reader.Name();
        if (NameIs(name, u"BEGIN")) {
            const std::u16string& value = reader.NextComponent();
            if (value == u"VCALENDAR") {
                item.SetFlag(PimField::ReminderSet, false);
                state.inside = true;
            } else if (value == u"VALARM") {
                state.inAlarm = true;
            }
        } else if (!state.inside) {
            continue;
        } else if (NameStarts(name, u"DTSTART")) {
            const std::optional<double> date = ReadDateField(reader, item, PimField::Start);
            start = date.value_or(start);
            m_startDayOfMonth = DayOfMonth(date);
        } else if (NameStarts(name, u"DTEND")) {
            ReadDateField(reader, item, PimField::End);
        } else if (NameStarts(name, u"LOCATION")) {
            item.SetText(PimField::Location, reader.NextComponent());
        } else if (NameStarts(name, u"CATEGORIES")) {
            item.SetText(PimField::Categories, reader.NextComponent());
        } else if (NameStarts(name, u"DESCRIPTION")) {
            if (!state.inAlarm)
                item.SetText(PimField::Body, reader.NextComponent());
        } else if (NameStarts(name, u"SUMMARY")) {
            item.SetText(PimField::Subject, reader.NextComponent());
        } else if (NameIs(name, u"CLASS")) {
            item.SetInteger(PimField::Sensitivity, SensitivityOf(reader.NextComponent()));
        } else if (NameStarts(name, u"RRULE")) {
            ReadRule(reader);
            state.ruleSeen = true;
        } else if (NameStarts(name, u"EXDATE")) {
            m_exceptionDates = reader.RawRest();
            while (!m_exceptionDates.empty() && (m_exceptionDates.back() == u'\r' || m_exceptionDates.back() == u'\n'))
                m_exceptionDates.pop_back();
        } else if (NameStarts(name, u"DALARM")) {
            alarmSeen = ReadDate(reader, alarm) || alarmSeen;
        } else if (NameIs(name, u"END")) {
            const std::u16string& value = reader.NextComponent();
            if (value == u"VALARM") {
                state.inAlarm = false;
            } else if (value == u"VCALENDAR") {
                if (!state.ruleSeen)
                    item.ClearRecurrencePattern();
                // Measured once the whole text is read, so a DALARM ahead of DTSTART counts too.
                if (alarmSeen) {
                    item.SetInteger(PimField::ReminderMinutesBeforeStart, MinutesBefore(start, alarm));
                    item.SetFlag(PimField::ReminderSet, true);
                }
                return S_OK;
            }
        }
    }
    AlmanacLog("vCalendar: VEVENT text ends before END:VCALENDAR");
    return E_FAIL;
}

HRESULT ItemConverter::ReadVTodo(CPropertyReader& reader)
{
    CPimItem& item = *m_item;
    CalendarState state;
    m_startDayOfMonth = -1;
    while (reader.Next()) {
        const std::u16string_view name = reader.Name();
        if (NameIs(name, u"BEGIN")) {
            const std::u16string& value = reader.NextComponent();
            if (value == u"VCALENDAR")
                state.inside = true;
            else if (value == u"VALARM")
                state.inAlarm = true;
        } else if (!state.inside) {
            continue;
        } else if (NameStarts(name, u"DTSTART")) {
            m_startDayOfMonth = DayOfMonth(ReadDateField(reader, item, PimField::StartDate));
        } else if (NameStarts(name, u"DUE")) {
            ReadDateField(reader, item, PimField::DueDate);
        } else if (NameStarts(name, u"DALARM")) {
            ReadDateField(reader, item, PimField::ReminderTime);
        } else if (NameStarts(name, u"COMPLETED")) {
            // The date is kept too, or the next write would drop COMPLETED and the task reopen.
            item.SetFlag(PimField::Complete, true);
            double date = 0;
            if (ParseDateText(reader.NextComponent(), date))
                item.SetDate(PimField::DateCompleted, date);
        } else if (NameStarts(name, u"CATEGORIES")) {
            item.SetText(PimField::Categories, reader.NextComponent());
        } else if (NameStarts(name, u"DESCRIPTION")) {
            if (!state.inAlarm)
                item.SetText(PimField::Body, reader.NextComponent());
        } else if (NameStarts(name, u"SUMMARY")) {
            item.SetText(PimField::Subject, reader.NextComponent());
        } else if (NameStarts(name, u"PRIORITY")) {
            const std::int32_t priority = DecimalValue(reader.NextComponent());
            item.SetInteger(PimField::Importance,
                            priority < 5 ? kImportanceHigh : priority < 9 ? kImportanceNormal : kImportanceLow);
        } else if (NameIs(name, u"CLASS")) {
            item.SetInteger(PimField::Sensitivity, SensitivityOf(reader.NextComponent()));
        } else if (NameStarts(name, u"RRULE")) {
            ReadRule(reader);
            state.ruleSeen = true;
        } else if (NameIs(name, u"END")) {
            const std::u16string& value = reader.NextComponent();
            if (value == u"VALARM") {
                state.inAlarm = false;
            } else if (value == u"VCALENDAR") {
                if (!state.ruleSeen)
                    item.ClearRecurrencePattern();
                return S_OK;
            }
        }
    }
    AlmanacLog("vCalendar: VTODO text ends before END:VCALENDAR");
    return E_FAIL;
}
