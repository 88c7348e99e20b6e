#include "RecurrenceRules.h"

#include "OleDate.h"
#include "pim/AlmanacLog.h"
#include "platform/CivilDays.h"
#include "utils/Utf.h"

#include <algorithm>

#include <array>

namespace {

struct Weekday {
    std::u16string_view code;
    std::int32_t bit;
};

constexpr std::array<Weekday, 7> kWeekdays = {{
    {u"MO", 2}, {u"TU", 4}, {u"WE", 8}, {u"TH", 16}, {u"FR", 32}, {u"SA", 64}, {u"SU", 1},
}};
constexpr std::int32_t kEveryDay = 127;

enum RecurrenceType : std::int32_t {
    kDaily = 0,
    kWeekly = 1,
    kMonthly = 2,
    kMonthlyNth = 3,
    kYearly = 5,
    kYearlyNth = 6,
};

void AppendNumber(std::u16string& out, std::int64_t value)
{
    if (value < 0) {
        out.push_back(u'-');
        value = -value;
    }
    char16_t digits[24];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0)
        out.push_back(digits[--count]);
}

// Leading digits as a number; 0 for text without them. Saturates instead of overflowing.
std::int32_t Decimal(std::u16string_view text)
{
    std::int64_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c - u'0');
        if (value > INT32_MAX)
            return INT32_MAX;
    }
    return static_cast<std::int32_t>(value);
}

// Tokens end at the next single blank; two blanks in a row give an empty token.
class CTokens {
public:
    explicit CTokens(std::u16string_view text) : m_text(text) {}
    // The last token of the text (after the last blank); empty when the text ends in a blank.
    std::u16string_view Last() const
    {
        const std::size_t blank = m_text.rfind(u' ');
        return blank == std::u16string_view::npos ? m_text : m_text.substr(blank + 1);
    }
    std::u16string_view Next()
    {
        if (m_position > m_text.size())
            return {};
        const std::size_t blank = m_text.find(u' ', m_position);
        const std::size_t end = blank == std::u16string_view::npos ? m_text.size() : blank;
        const std::u16string_view token = m_text.substr(m_position, end - m_position);
        m_position = end + 1;
        return token;
    }

private:
    std::u16string_view m_text;
    std::size_t m_position = 0;
};

} // namespace

bool AppendRecurrenceRule(std::u16string& out, const PimRecurrence& pattern)
{
    const std::int32_t type = pattern.recurrenceType;
    switch (type) {
    case kDaily: out.append(u"D"); break;
    case kWeekly: out.append(u"W"); break;
    case kMonthly: out.append(u"MD"); break;
    case kMonthlyNth:
    case kYearlyNth: out.append(u"MP"); break;
    case kYearly: out.append(u"YM"); break;
    default: return false;
    }
    // A yearly rule by position is written as monthly every twelve months, counted from the start.
    const std::int64_t interval = pattern.interval <= 0 ? 1 : pattern.interval;
    AppendNumber(out, type == kYearlyNth ? 12 * interval : interval);
    if (type != kYearly && pattern.instance != 0) {
        std::int32_t instance = pattern.instance;
        if (instance == 5)
            instance = -1;
        out.push_back(u' ');
        AppendNumber(out, instance < 0 ? -static_cast<std::int64_t>(instance) : instance);
        out.push_back(instance < 0 ? u'-' : u'+');
    }
    if (type == kMonthly && pattern.dayOfMonth != 0) {
        out.push_back(u' ');
        AppendNumber(out, pattern.dayOfMonth);
    }
    if (type == kYearly && pattern.monthOfYear != 0) {
        out.push_back(u' ');
        AppendNumber(out, pattern.monthOfYear);
    }
    const bool nth = type == kMonthlyNth || type == kYearlyNth;
    if (type == kWeekly || (nth && pattern.dayOfWeekMask != kEveryDay)) {
        for (const Weekday& day : kWeekdays) {
            if (pattern.dayOfWeekMask & day.bit) {
                out.push_back(u' ');
                out.append(day.code);
            }
        }
    }
    if (pattern.noEndDate) {
        out.append(u" #0");
    } else if (pattern.occurrences != 0) {
        out.append(u" #");
        AppendNumber(out, pattern.occurrences);
    } else {
        const std::size_t mark = out.size();
        out.push_back(u' ');
        if (!AppendDateText(out, pattern.patternEndDate, true))
            out.resize(mark);
    }
    return true;
}

bool AppendExceptionDates(std::u16string& out, const PimRecurrence& pattern)
{
    if (pattern.exceptionDates.empty())
        return false;
    const std::size_t mark = out.size();
    for (std::size_t i = 0; i < pattern.exceptionDates.size(); ++i) {
        if (i > 0)
            out.push_back(u';');
        if (!AppendDateText(out, pattern.exceptionDates[i], true)) {
            out.resize(mark);
            return false;
        }
    }
    return true;
}

void ReadExceptionDates(std::u16string_view value, PimRecurrence& pattern)
{
    while (!value.empty()) {
        const std::size_t end = value.find_first_of(u";,");
        const std::u16string_view text = value.substr(0, end);
        double date = 0;
        if (ParseDateText(text, date))
            pattern.exceptionDates.push_back(date);
        else if (!text.empty())
            AlmanacLog("vCalendar: EXDATE date \"" + Utf16ToUtf8(text) + "\" is not a date; left out");
        value = end == std::u16string_view::npos ? std::u16string_view() : value.substr(end + 1);
    }
}

namespace {

bool IsEnd(std::u16string_view token)
{
    return token.starts_with(u"#") || (token.size() > 8 && token[8] == u'T');
}

// A count ("#n", "#0" for none) or an end date; false for any other token. Setting either ends the
// other, as the store's patterns do.
bool ReadEnd(std::u16string_view token, PimRecurrence& pattern)
{
    if (token.starts_with(u"#")) {
        const std::int32_t count = Decimal(token.substr(1));
        pattern.occurrences = count;
        pattern.noEndDate = count == 0;
        if (count == 0)
            pattern.patternEndDate = NO_DATE;
        return true;
    }
    double end = 0;
    if (token.size() > 8 && token[8] == u'T' && ParseDateText(token, end)) {
        pattern.patternEndDate = end;
        pattern.noEndDate = false;
        pattern.occurrences = 0;
        return true;
    }
    return false;
}

bool IsInstance(std::u16string_view token)
{
    return !token.empty() && (token.back() == u'+' || token.back() == u'-');
}

// A day or month number (not an instance, not an end date).
bool IsNumber(std::u16string_view token)
{
    return !token.empty() && token.front() >= u'0' && token.front() <= u'9' && !IsInstance(token) && !IsEnd(token);
}

// Month and day of day `number` of the start's year (a common year without a start).
void SetDayOfYear(std::int32_t number, const CivilTime* start, PimRecurrence& pattern)
{
    const int year = start ? start->year : 2001;
    const std::int64_t first = DaysFromCivil(year, 1, 1);
    const std::int64_t last = DaysFromCivil(year, 12, 31);
    CivilTime civil;
    CivilFromDays(std::min<std::int64_t>(first + number - 1, last), civil);
    pattern.monthOfYear = civil.month;
    pattern.dayOfMonth = civil.day;
}

// Yearly rules place their day differently from the others.
enum class Frequency : std::uint8_t { Periodic, YearlyByMonth, YearlyByDay };

} // namespace

HRESULT ReadRecurrenceRule(std::u16string_view rule, const CivilTime* start, PimRecurrence& pattern)
{
    CTokens tokens(rule);
    std::u16string_view token = tokens.Next();
    Frequency frequency = Frequency::Periodic;
    std::size_t letters = 1;
    if (token.starts_with(u"D")) {
        pattern.recurrenceType = kDaily;
    } else if (token.starts_with(u"MD")) {
        pattern.recurrenceType = kMonthly;
        letters = 2;
    } else if (token.starts_with(u"MP")) {
        pattern.recurrenceType = kMonthlyNth;
        letters = 2;
    } else if (token.starts_with(u"W")) {
        pattern.recurrenceType = kWeekly;
    } else if (token.starts_with(u"YM")) {
        pattern.recurrenceType = kYearly;
        frequency = Frequency::YearlyByMonth;
        letters = 2;
    } else if (token.starts_with(u"YD")) {
        pattern.recurrenceType = kYearly;
        frequency = Frequency::YearlyByDay;
        letters = 2;
    } else {
        return E_FAIL;
    }
    const bool yearly = frequency == Frequency::YearlyByMonth || frequency == Frequency::YearlyByDay;
    if (token.size() > letters)
        pattern.interval = Decimal(token.substr(letters));

    bool dropped = false;
    token = tokens.Next();
    if (IsInstance(token)) {
        const std::int32_t n = Decimal(token.substr(0, token.size() - 1));
        if (token.back() == u'+')
            pattern.instance = n;
        else
            pattern.instance = n == 1 ? 5 : -n;
        // A yearly rule by position reads as the yearly nth-weekday pattern.
        if (frequency == Frequency::YearlyByDay) {
            frequency = Frequency::YearlyByMonth;
            pattern.recurrenceType = kYearlyNth;
        }
        for (token = tokens.Next(); IsInstance(token); token = tokens.Next())
            dropped = true;
    }
    const int startDay = start ? start->day : 1;
    if (frequency == Frequency::YearlyByMonth) {
        const std::int32_t month = Decimal(token);
        if (IsNumber(token) && month >= 1 && month <= 12) {
            pattern.monthOfYear = month;
            token = tokens.Next();
        } else if (start) {
            pattern.monthOfYear = start->month;
        }
        pattern.dayOfMonth = startDay;
    } else if (frequency == Frequency::YearlyByDay) {
        const std::int32_t day = Decimal(token);
        if (IsNumber(token) && day >= 1 && day <= 366) {
            SetDayOfYear(day, start, pattern);
            token = tokens.Next();
        } else {
            pattern.monthOfYear = start ? start->month : 1;
            pattern.dayOfMonth = startDay;
        }
    } else {
        const std::int32_t day = Decimal(token);
        if (IsNumber(token) && day >= 1 && day <= 31) {
            pattern.dayOfMonth = day;
            token = tokens.Next();
        }
    }
    // Further days or months of a list: an item holds one.
    for (; IsNumber(token) || (yearly && IsInstance(token)); token = tokens.Next())
        dropped = true;
    std::int32_t weekdays = 0;
    for (bool matched = true; matched;) {
        matched = false;
        for (const Weekday& day : kWeekdays) {
            if (token == day.code) {
                weekdays |= day.bit;
                token = tokens.Next();
                matched = true;
                break;
            }
        }
    }
    if (weekdays != 0)
        pattern.dayOfWeekMask = weekdays;
    bool ended = false;
    if (token.starts_with(u"#")) {
        ended = ReadEnd(token, pattern);
        token = tokens.Next();
    }
    ended = ReadEnd(token, pattern) || ended;
    // An end after tokens the rule could not place still ends the pattern.
    if (!ended && IsEnd(tokens.Last()))
        ReadEnd(tokens.Last(), pattern);
    if (dropped)
        AlmanacLog("vCalendar: RRULE \"" + Utf16ToUtf8(rule) +
                   "\" lists more days than an item holds; the first is kept");
    return S_OK;
}
