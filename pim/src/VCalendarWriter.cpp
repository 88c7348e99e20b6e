// Appointment to VEVENT and task to VTODO, each in a VCALENDAR 1.0 of its own. An all-day event's
// start and end are written as days ("DTSTART;VALUE=DATE:20250620"); other times are written in
// UTC ("Z") with the zone's real offset at that instant; a line whose value is absent is left out. A
// task keeps its start, due date and rule apart, so a recurring task reads back as it was.

#include "pim/ItemConverter.h"

#include "OleDate.h"
#include "RecurrenceRules.h"
#include "PropertyWriter.h"
#include "platform/PimStore.h"

#include <cmath>

namespace {

enum class DateForm : std::uint8_t { Utc, DayOnly };

void AppendDateLine(std::u16string& out, std::u16string_view prefix, double date, DateForm form = DateForm::Utc)
{
    if (date >= NO_DATE)
        return;
    const std::size_t mark = out.size();
    out.append(prefix);
    if (!(form == DateForm::Utc ? AppendDateText(out, date, true) : AppendDateOnlyText(out, date))) {
        out.resize(mark);
        return;
    }
    out.append(u"\r\n");
}

double DateOf(const CPimItem& item, PimField field)
{
    double date = NO_DATE;
    item.GetDate(field, date);
    return date;
}

const PimRecurrence* PatternOf(const CPimItem& item)
{
    bool recurs = false;
    if (Failed(item.GetIsRecurring(recurs)) || !recurs)
        return nullptr;
    return &item.Record().recurrence;
}

// A task's importance is normal until someone sets it.
std::int32_t IntegerOr(const CPimItem& item, PimField field, std::int32_t unset)
{
    for (const PimFieldValue& value : item.Record().fields) {
        if (value.field == field)
            return static_cast<std::int32_t>(value.number);
    }
    return unset;
}

void AppendRuleLine(std::u16string& out, const PimRecurrence& pattern)
{
    const std::size_t mark = out.size();
    out.append(u"RRULE:");
    if (AppendRecurrenceRule(out, pattern))
        out.append(u"\r\n");
    else
        out.resize(mark);
}

std::u16string_view PriorityOf(std::int32_t importance)
{
    switch (importance) {
    case kImportanceHigh: return u"PRIORITY:1\r\n";
    case kImportanceLow: return u"PRIORITY:9\r\n";
    default: return u"PRIORITY:5\r\n";
    }
}

std::u16string_view ClassOf(std::int32_t sensitivity)
{
    switch (sensitivity) {
    case kSensitivityPersonal: return u"CLASS:PERSONAL\r\n";
    case kSensitivityPrivate: return u"CLASS:PRIVATE\r\n";
    case kSensitivityConfidential: return u"CLASS:CONFIDENTIAL\r\n";
    default: return u"CLASS:PUBLIC\r\n";
    }
}

} // namespace

std::u16string ItemConverter::WriteVEvent() const
{
    const CPimItem& item = *m_item;
    std::u16string out;
    out.reserve(384);
    out.append(u"BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\n");
    const double start = DateOf(item, PimField::Start);
    std::int32_t allDay = 0;
    item.GetFlag(PimField::AllDayEvent, allDay);
    if (allDay != 0) {
        // Days, not instants: in UTC the day would move with the zone of each handset.
        AppendDateLine(out, u"DTSTART;VALUE=DATE:", start, DateForm::DayOnly);
        AppendDateLine(out, u"DTEND;VALUE=DATE:", DateOf(item, PimField::End), DateForm::DayOnly);
    } else {
        AppendDateLine(out, u"DTSTART:", start);
        AppendDateLine(out, u"DTEND:", DateOf(item, PimField::End));
    }
    AppendProperty(out, u"SUMMARY", item.FindText(PimField::Subject), ValueText::Plain);
    AppendProperty(out, u"LOCATION", item.FindText(PimField::Location), ValueText::Plain);
    AppendProperty(out, u"DESCRIPTION", item.FindText(PimField::Body), ValueText::Plain, LineBreaks::Fold);
    if (const PimRecurrence* pattern = PatternOf(item)) {
        AppendRuleLine(out, *pattern);
        const std::size_t mark = out.size();
        out.append(u"EXDATE:");
        if (AppendExceptionDates(out, *pattern))
            out.append(u"\r\n");
        else
            out.resize(mark);
    }
    std::int32_t reminderSet = 0;
    item.GetFlag(PimField::ReminderSet, reminderSet);
    if (reminderSet != 0 && start < NO_DATE) {
        std::int32_t minutes = 0;
        item.GetInteger(PimField::ReminderMinutesBeforeStart, minutes);
        AppendDateLine(out, u"DALARM:", ContinuousToOle(OleToContinuous(start) - minutes / 1440.0));
    }
    out.append(u"END:VEVENT\r\nEND:VCALENDAR\r\n");
    return out;
}

std::u16string ItemConverter::WriteVTodo() const
{
    const CPimItem& item = *m_item;
    std::u16string out;
    out.reserve(384);
    out.append(u"BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VTODO\r\n");
    AppendProperty(out, u"SUMMARY", item.FindText(PimField::Subject), ValueText::Plain);
    AppendDateLine(out, u"DTSTART:", DateOf(item, PimField::StartDate));
    AppendDateLine(out, u"DUE:", DateOf(item, PimField::DueDate));
    std::int32_t complete = 0;
    item.GetFlag(PimField::Complete, complete);
    if (complete != 0)
        AppendDateLine(out, u"COMPLETED:", DateOf(item, PimField::DateCompleted));
    AppendDateLine(out, u"DALARM:", DateOf(item, PimField::ReminderTime));
    AppendProperty(out, u"DESCRIPTION", item.FindText(PimField::Body), ValueText::Plain, LineBreaks::Fold);
    if (const PimRecurrence* pattern = PatternOf(item))
        AppendRuleLine(out, *pattern);
    out.append(PriorityOf(IntegerOr(item, PimField::Importance, kImportanceNormal)));
    out.append(ClassOf(IntegerOr(item, PimField::Sensitivity, kSensitivityNormal)));
    out.append(u"END:VTODO\r\nEND:VCALENDAR\r\n");
    return out;
}
