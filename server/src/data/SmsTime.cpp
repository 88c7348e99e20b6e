#include "data/SmsTime.h"

#include "platform/CivilDays.h"
#include "utils/AsciiFold.h"

#include <cstdio>

namespace {

constexpr std::int64_t kDayS = 24 * 60 * 60;

struct Fields {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// 1 to `maxDigits` decimal digits from the front of `text`.
std::optional<int> TakeNumber(std::string_view& text, std::size_t maxDigits)
{
    std::size_t length = 0;
    int value = 0;
    while (length < text.size() && length < maxDigits && text[length] >= '0' && text[length] <= '9')
        value = value * 10 + (text[length++] - '0');
    if (length == 0)
        return std::nullopt;
    text.remove_prefix(length);
    return value;
}

bool TakeSeparator(std::string_view& text, char separator)
{
    if (text.empty() || text.front() != separator)
        return false;
    text.remove_prefix(1);
    return true;
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::optional<std::int64_t> SecondsOf(const Fields& fields)
{
    static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (fields.year < 1601 || fields.year > 9999 || fields.month < 1 || fields.month > 12 || fields.day < 1 ||
        fields.hour > 23 || fields.minute > 59 || fields.second > 59)
        return std::nullopt;
    const int monthDays =
        kMonthDays[fields.month - 1] + (fields.month == 2 && IsLeapYear(fields.year) ? 1 : 0);
    if (fields.day > monthDays)
        return std::nullopt;
    return DaysFromCivil(fields.year, static_cast<unsigned>(fields.month),
                         static_cast<unsigned>(fields.day)) *
               kDayS +
           fields.hour * 3600 + fields.minute * 60 + fields.second;
}

Fields FieldsOf(std::int64_t timeS)
{
    const std::int64_t days = FloorDiv(timeS, kDayS);
    const std::int64_t seconds = timeS - days * kDayS;
    CivilTime civil;
    CivilFromDays(days, civil);
    return {civil.year,
            civil.month,
            civil.day,
            static_cast<int>(seconds / 3600),
            static_cast<int>(seconds / 60 % 60),
            static_cast<int>(seconds % 60)};
}

} // namespace

std::string FormatHandsetTime(std::int64_t timeS)
{
    const Fields fields = FieldsOf(timeS);
    const int hour12 = fields.hour % 12 == 0 ? 12 : fields.hour % 12;
    char text[64];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d %02d:%02d:%02d %s", fields.day, fields.month,
                  fields.year, hour12, fields.minute, fields.second, fields.hour < 12 ? "AM" : "PM");
    return text;
}

std::optional<std::int64_t> ParseHandsetTime(std::string_view text)
{
    Fields fields;
    std::optional<int> day = TakeNumber(text, 2);
    std::optional<int> month = day && TakeSeparator(text, '-') ? TakeNumber(text, 2) : std::nullopt;
    std::optional<int> year = month && TakeSeparator(text, '-') ? TakeNumber(text, 4) : std::nullopt;
    std::optional<int> hour = year && TakeSeparator(text, ' ') ? TakeNumber(text, 2) : std::nullopt;
    std::optional<int> minute = hour && TakeSeparator(text, ':') ? TakeNumber(text, 2) : std::nullopt;
    std::optional<int> second = minute && TakeSeparator(text, ':') ? TakeNumber(text, 2) : std::nullopt;
    if (!second)
        return std::nullopt;
    fields = {*year, *month, *day, *hour, *minute, *second};
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (text.empty())
        return SecondsOf(fields);
    const bool pm = EqualsFolded(text, "PM");
    if ((!pm && !EqualsFolded(text, "AM")) || fields.hour < 1 || fields.hour > 12)
        return std::nullopt;
    fields.hour = fields.hour % 12 + (pm ? 12 : 0);
    return SecondsOf(fields);
}

std::string FormatOperatorTime(std::int64_t timeS)
{
    const Fields fields = FieldsOf(timeS);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", fields.year, fields.month, fields.day,
                  fields.hour, fields.minute, fields.second);
    return text;
}

std::optional<std::int64_t> ParseOperatorTime(std::string_view text)
{
    if (!text.empty() && text.back() == 'Z')
        text.remove_suffix(1);
    if (text.size() != 19)
        return std::nullopt;
    std::optional<int> year = TakeNumber(text, 4);
    std::optional<int> month = year && TakeSeparator(text, '-') ? TakeNumber(text, 2) : std::nullopt;
    std::optional<int> day = month && TakeSeparator(text, '-') ? TakeNumber(text, 2) : std::nullopt;
    std::optional<int> hour = day && TakeSeparator(text, 'T') ? TakeNumber(text, 2) : std::nullopt;
    std::optional<int> minute = hour && TakeSeparator(text, ':') ? TakeNumber(text, 2) : std::nullopt;
    std::optional<int> second = minute && TakeSeparator(text, ':') ? TakeNumber(text, 2) : std::nullopt;
    if (!second || !text.empty())
        return std::nullopt;
    return SecondsOf({*year, *month, *day, *hour, *minute, *second});
}
