#include "RecurrenceRules.h"

#include "OleDate.h"

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
    case kMonthlyNth: out.append(u"MP"); break;
    case kYearly: out.append(u"YM1"); break;
    case kYearlyNth: out.append(u"MP12"); break;
    default: return false;
    }
    if (type <= kMonthlyNth)
        AppendNumber(out, pattern.interval == 0 ? 1 : pattern.interval);
    if (type != kYearly && pattern.instance != 0) {
        std::int32_t instance = pattern.instance;
        if ((type == kMonthlyNth || type == kYearlyNth) && instance == 5)
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

HRESULT ReadRecurrenceRule(std::u16string_view rule, int startDayOfMonth, PimRecurrence& pattern)
{
    CTokens tokens(rule);
    std::u16string_view token = tokens.Next();
    std::u16string_view interval;
    bool yearly = false;
    if (token.starts_with(u"D")) {
        pattern.recurrenceType = kDaily;
        interval = token.substr(1);
    } else if (token.starts_with(u"MD")) {
        pattern.recurrenceType = kMonthly;
        interval = token.substr(2);
    } else if (token.starts_with(u"MP")) {
        pattern.recurrenceType = kMonthlyNth;
        interval = token.substr(2);
    } else if (token.starts_with(u"W")) {
        pattern.recurrenceType = kWeekly;
        interval = token.substr(1);
    } else if (token.starts_with(u"YM")) {
        pattern.recurrenceType = kYearly;
        yearly = true;
    } else if (token.starts_with(u"YD")) {
        pattern.recurrenceType = kYearlyNth;
        yearly = true;
    } else {
        return E_FAIL;
    }
    if (!yearly && !interval.empty())
        pattern.interval = Decimal(interval);

    token = tokens.Next();
    if (!token.empty() && (token.back() == u'+' || token.back() == u'-')) {
        const std::int32_t n = Decimal(token.substr(0, token.size() - 1));
        if (token.back() == u'+')
            pattern.instance = n;
        else
            pattern.instance = n == 1 ? 5 : -n;
        token = tokens.Next();
    }
    if (yearly) {
        const std::int32_t month = Decimal(token);
        if (month >= 1 && month <= 12) {
            pattern.monthOfYear = month;
            token = tokens.Next();
        }
        pattern.dayOfMonth = startDayOfMonth >= 1 && startDayOfMonth <= 31 ? startDayOfMonth : 1;
    } else {
        const std::int32_t day = Decimal(token);
        if (day >= 1 && day <= 31) {
            pattern.dayOfMonth = day;
            token = tokens.Next();
        }
    }
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
    if (token.starts_with(u"#")) {
        const std::int32_t count = Decimal(token.substr(1));
        if (count != 0) {
            pattern.occurrences = count;
            pattern.noEndDate = false;
        } else {
            pattern.noEndDate = true;
            pattern.occurrences = 0;
            pattern.patternEndDate = NO_DATE;
        }
        token = tokens.Next();
    }
    double end = 0;
    if (token.size() > 8 && token[8] == u'T' && ParseDateText(token, end)) {
        pattern.patternEndDate = end;
        pattern.noEndDate = false;
        pattern.occurrences = 0;
    }
    return S_OK;
}
