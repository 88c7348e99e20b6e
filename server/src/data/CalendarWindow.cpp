#include "data/CalendarWindow.h"

#include "data/ItemLines.h"
#include "platform/CivilDays.h"
#include "utils/AsciiFold.h"

#include <limits>
#include <optional>

namespace {

// The handset's day starts at its local midnight: up to 14 hours from UTC, and "today" itself.
constexpr std::int64_t kMarginDays = 2;
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

// Days since 1970 of a date value starting "YYYYMMDD" (the time, if any, is ignored).
std::optional<std::int64_t> DateDays(std::string_view value)
{
    if (value.size() < 8)
        return std::nullopt;
    int fields[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    std::size_t at = 0;
    for (int f = 0; f < 3; ++f) {
        for (int i = 0; i < widths[f]; ++i, ++at) {
            if (value[at] < '0' || value[at] > '9')
                return std::nullopt;
            fields[f] = fields[f] * 10 + (value[at] - '0');
        }
    }
    if (fields[1] < 1 || fields[1] > 12 || fields[2] < 1 || fields[2] > 31)
        return std::nullopt;
    return DaysFromCivil(fields[0], static_cast<unsigned>(fields[1]), static_cast<unsigned>(fields[2]));
}

struct ItemDates {
    bool task = false;
    std::optional<std::int64_t> start;
    std::optional<std::int64_t> end; // DTEND or DUE
    std::optional<std::string_view> rule;
};

ItemDates ReadDates(std::string_view text)
{
    ItemDates dates;
    for (const ItemLine& line : ItemLines(text)) {
        if (EqualsFolded(line.name, "BEGIN") && EqualsFolded(line.value, "VTODO"))
            dates.task = true;
        else if (EqualsFolded(line.name, "DTSTART"))
            dates.start = DateDays(line.value);
        else if (EqualsFolded(line.name, "DTEND") || EqualsFolded(line.name, "DUE"))
            dates.end = DateDays(line.value);
        else if (EqualsFolded(line.name, "RRULE"))
            dates.rule = line.value;
    }
    return dates;
}

// The last day of a recurrence rule ("W1 MO 20241231T000000", "D1 #10", "D1 #0"): kNever for a rule
// without end ("#0"), nothing when the end depends on a count.
std::optional<std::int64_t> RuleEnd(std::string_view rule)
{
    while (!rule.empty() && (rule.back() == ' ' || rule.back() == '\t'))
        rule.remove_suffix(1);
    const std::size_t blank = rule.find_last_of(" \t");
    const std::string_view last = blank == std::string_view::npos ? rule : rule.substr(blank + 1);
    if (last == "#0")
        return kNever;
    return DateDays(last);
}

} // namespace

bool SurelyInWindow(std::string_view text, const CalendarWindow& window, std::int64_t todayDays)
{
    const ItemDates dates = ReadDates(text);
    // A task without a start or an end is listed whatever the window.
    if (dates.task && (!dates.start || (!dates.rule && !dates.end)))
        return true;
    // An appointment whose start cannot be read is never listed.
    if (!dates.start)
        return false;
    const std::optional<std::int64_t> end =
        dates.rule ? RuleEnd(*dates.rule) : dates.end.value_or(*dates.start);
    const std::int64_t windowStart = todayDays - window.backDays + kMarginDays;
    const std::int64_t windowEnd = todayDays + window.forwardDays - kMarginDays;
    if (*dates.start > windowEnd)
        return false;
    // An end that depends on a count is at least the start.
    return end.value_or(*dates.start) >= windowStart;
}
