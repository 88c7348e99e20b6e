#include "OleDate.h"

#include "platform/CivilDays.h"
#include "platform/PimFields.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Days from 1970-01-01 back to the OLE epoch 1899-12-30.
constexpr std::int64_t kOleEpochFromUnixDays = -25569;
// Years whose instants a FileTime can hold with room for any zone offset; outside them the zone's
// offset is taken as 0.
constexpr int kFirstZonedYear = 1602;
constexpr int kLastZonedYear = 30000;

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidCivil(const CivilTime& civil)
{
    return civil.year >= 1 && civil.year <= 9999 && civil.month >= 1 && civil.month <= 12 && civil.day >= 1 &&
           civil.day <= DaysInMonth(civil.year, civil.month) && civil.hour >= 0 && civil.hour <= 23 &&
           civil.minute >= 0 && civil.minute <= 59 && civil.second >= 0 && civil.second <= 59;
}

bool IsZoned(const CivilTime& civil)
{
    return civil.year >= kFirstZonedYear && civil.year <= kLastZonedYear;
}

CivilTime LocalToUtcCivil(const CivilTime& local)
{
    if (!IsZoned(local))
        return local;
    return FileTimeToCivil(LocalToUtc(local));
}

CivilTime UtcToLocalCivil(const CivilTime& utc)
{
    if (!IsZoned(utc))
        return utc;
    return UtcToLocal(CivilToFileTime(utc));
}

void AppendDigits(std::u16string& out, int value, int width)
{
    char16_t digits[8];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    }
    out.append(digits, static_cast<std::size_t>(width));
}

// Decimal value of the leading digits of text[from, from + length); 0 when there are none.
int DecimalField(std::u16string_view text, std::size_t from, std::size_t length)
{
    int value = 0;
    for (std::size_t i = from; i < from + length && i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// Text in the extended form of ISO 8601 ("2007-03-15", "2007-03-15T10:00:00Z", as vCard 3.0 and
// iCalendar writers use it) in the basic form the fields are read from; other text as it is.
class CBasicForm {
public:
    explicit CBasicForm(std::u16string_view text) : m_view(text)
    {
        if (text.size() < 10 || text.size() > sizeof m_text / sizeof m_text[0] || text[4] != u'-' || text[7] != u'-')
            return;
        std::size_t size = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t c = text[i];
            if ((c == u'-' && i < 10) || (c == u':' && i > 10))
                continue;
            m_text[size++] = c;
        }
        m_view = std::u16string_view(m_text, size);
    }
    std::u16string_view View() const { return m_view; }

private:
    char16_t m_text[32] = {};
    std::u16string_view m_view;
};

// Year, month and day from characters 1-8 of a date text; the time of day is midnight.
CivilTime DateFields(std::u16string_view text)
{
    CivilTime civil;
    civil.year = DecimalField(text, 0, 4);
    civil.month = DecimalField(text, 4, 2);
    civil.day = DecimalField(text, 6, 2);
    return civil;
}

} // namespace

double OleToContinuous(double ole)
{
    if (ole >= 0)
        return ole;
    const double whole = std::trunc(ole);
    return whole + (whole - ole);
}

double ContinuousToOle(double value)
{
    if (value >= 0)
        return value;
    const double day = std::floor(value);
    return day - (value - day);
}

bool OleToCivil(double ole, CivilTime& civil)
{
    if (!std::isfinite(ole) || ole >= NO_DATE || ole < -700000.0)
        return false;
    const auto seconds = static_cast<std::int64_t>(std::llround(OleToContinuous(ole) * kSecondsPerDay));
    const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
    std::int64_t rest = seconds - days * kSecondsPerDay;
    civil = CivilTime{};
    CivilFromDays(days + kOleEpochFromUnixDays, civil);
    civil.hour = static_cast<int>(rest / 3600);
    rest %= 3600;
    civil.minute = static_cast<int>(rest / 60);
    civil.second = static_cast<int>(rest % 60);
    return civil.year >= 1 && civil.year <= 9999;
}

double CivilToOle(const CivilTime& civil)
{
    const std::int64_t days = DaysFromCivil(civil.year, static_cast<unsigned>(civil.month),
                                            static_cast<unsigned>(civil.day)) - kOleEpochFromUnixDays;
    const double fraction = (civil.hour * 3600.0 + civil.minute * 60.0 + civil.second) / kSecondsPerDay;
    if (days >= 0)
        return static_cast<double>(days) + fraction;
    return static_cast<double>(days) - fraction;
}

bool AppendDateText(std::u16string& out, double localOle, bool utc)
{
    CivilTime civil;
    if (!OleToCivil(localOle, civil))
        return false;
    if (utc)
        civil = LocalToUtcCivil(civil);
    if (civil.year < 0 || civil.year > 9999)
        return false;
    AppendDigits(out, civil.year, 4);
    AppendDigits(out, civil.month, 2);
    AppendDigits(out, civil.day, 2);
    out.push_back(u'T');
    AppendDigits(out, civil.hour, 2);
    AppendDigits(out, civil.minute, 2);
    AppendDigits(out, civil.second, 2);
    if (utc)
        out.push_back(u'Z');
    return true;
}

bool ParseDateText(std::u16string_view written, double& localOle)
{
    const CBasicForm basic(written);
    const std::u16string_view text = basic.View();
    CivilTime civil = DateFields(text);
    civil.hour = DecimalField(text, 9, 2);
    civil.minute = DecimalField(text, 11, 2);
    civil.second = DecimalField(text, 13, 2);
    if (!IsValidCivil(civil))
        return false;
    if (!text.empty() && text.back() == u'Z')
        civil = UtcToLocalCivil(civil);
    localOle = CivilToOle(civil);
    return true;
}

bool IsDateOnlyText(std::u16string_view text)
{
    const CBasicForm form(text);
    const std::u16string_view basic = form.View();
    if (basic.size() != 8)
        return false;
    for (const char16_t c : basic) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool AppendDateOnlyText(std::u16string& out, double localOle)
{
    const std::size_t mark = out.size();
    if (!AppendDateText(out, localOle, false))
        return false;
    out.resize(mark + 8);
    return true;
}

bool ParseDateOnly(std::u16string_view text, double& localOle)
{
    const CivilTime civil = DateFields(CBasicForm(text).View());
    if (!IsValidCivil(civil))
        return false;
    localOle = CivilToOle(civil);
    return true;
}
