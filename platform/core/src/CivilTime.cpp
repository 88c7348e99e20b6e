#include "platform/Clock.h"

#include "platform/CivilDays.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <mutex>
#include <optional>
#include <string>

namespace {

constexpr std::int64_t kUnitsPerMs = 10000;
constexpr std::int64_t kMsPerDay = 86400000;
constexpr std::int64_t kSecondsPerDay = 86400;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDaysTo1970 = 134774;

// Civil fields of a count of milliseconds since 1970-01-01 (negative before), in whatever zone the
// count was taken.
CivilTime CivilFromUnixMs(std::int64_t ms)
{
    CivilTime civil;
    const std::int64_t days = FloorDiv(ms, kMsPerDay);
    std::int64_t rest = ms - days * kMsPerDay;
    CivilFromDays(days, civil);
    civil.hour = static_cast<int>(rest / 3600000);
    rest %= 3600000;
    civil.minute = static_cast<int>(rest / 60000);
    rest %= 60000;
    civil.second = static_cast<int>(rest / 1000);
    civil.millisecond = static_cast<int>(rest % 1000);
    // 1970-01-01 was a Thursday.
    civil.dayOfWeek = static_cast<int>((days % 7 + 7 + 4) % 7);
    return civil;
}

// Milliseconds since 1970-01-01 of civil fields; fields out of their range carry into the next larger
// one (month 13 is January of the next year, day 0 the last day of the month before).
std::int64_t UnixMsFromCivil(const CivilTime& civil)
{
    // Far outside what a FileTime can hold, yet small enough that nothing below overflows.
    const std::int64_t clampedYear = std::clamp(civil.year, -1000000, 1000000);
    const std::int64_t monthIndex = static_cast<std::int64_t>(civil.month) - 1;
    const std::int64_t year = clampedYear + FloorDiv(monthIndex, 12);
    const auto month = static_cast<unsigned>(monthIndex - FloorDiv(monthIndex, 12) * 12 + 1);
    const std::int64_t days = DaysFromCivil(year, month, 1) + civil.day - 1;
    return days * kMsPerDay + static_cast<std::int64_t>(civil.hour) * 3600000 +
           static_cast<std::int64_t>(civil.minute) * 60000 + static_cast<std::int64_t>(civil.second) * 1000 +
           civil.millisecond;
}

std::int64_t UnixMsFromFileTime(FileTime time)
{
    return (static_cast<std::int64_t>(time / kUnitsPerMs)) - kDaysTo1970 * kMsPerDay;
}

FileTime FileTimeFromUnixMs(std::int64_t ms)
{
    // Times before 1601 or beyond the last FileTime stick to the ends of the range.
    const std::int64_t sinceEpoch = ms + kDaysTo1970 * kMsPerDay;
    if (sinceEpoch <= 0)
        return 0;
    if (static_cast<FileTime>(sinceEpoch) > std::numeric_limits<FileTime>::max() / kUnitsPerMs)
        return std::numeric_limits<FileTime>::max();
    return static_cast<FileTime>(sinceEpoch) * kUnitsPerMs;
}

// TZ and the C library's zone data are process state: every use holds this lock.
std::mutex& ZoneMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Reloads the zone when TZ changed since the last conversion. Calling tzset on every conversion
// would be simpler, but without TZ the C library then reads /etc/localtime each time, which made
// calendar conversion several times slower. ZoneMutex held.
void RefreshZoneLocked()
{
    static std::optional<std::string> s_lastTz;
    static bool s_loaded = false;
    const char* tz = std::getenv("TZ");
    std::optional<std::string> current = tz ? std::optional<std::string>(tz) : std::nullopt;
    if (s_loaded && current == s_lastTz)
        return;
    tzset();
    s_lastTz = std::move(current);
    s_loaded = true;
}

// Offset of local time from UTC in seconds at `seconds` since 1970; ZoneMutex held, zone refreshed.
std::int64_t OffsetSecondsLocked(std::int64_t seconds)
{
    const auto when = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&when, &local))
        return 0;
    return local.tm_gmtoff;
}

} // namespace

CivilTime FileTimeToCivil(FileTime time)
{
    return CivilFromUnixMs(UnixMsFromFileTime(time));
}

FileTime CivilToFileTime(const CivilTime& civil)
{
    return FileTimeFromUnixMs(UnixMsFromCivil(civil));
}

int LocalOffsetMinutes(FileTime utc)
{
    std::lock_guard lock(ZoneMutex());
    RefreshZoneLocked();
    return static_cast<int>(OffsetSecondsLocked(FloorDiv(UnixMsFromFileTime(utc), 1000)) / 60);
}

CivilTime UtcToLocal(FileTime utc)
{
    const std::int64_t ms = UnixMsFromFileTime(utc);
    std::int64_t offset = 0;
    {
        std::lock_guard lock(ZoneMutex());
        RefreshZoneLocked();
        offset = OffsetSecondsLocked(FloorDiv(ms, 1000));
    }
    return CivilFromUnixMs(ms + offset * 1000);
}

FileTime LocalToUtc(const CivilTime& local)
{
    const std::int64_t localMs = UnixMsFromCivil(local);
    const std::int64_t localSeconds = FloorDiv(localMs, 1000);
    std::int64_t chosen = 0;
    {
        std::lock_guard lock(ZoneMutex());
        RefreshZoneLocked();
        // Zones change their offset at most once in any two days, so the offsets a day before and a
        // day after are the only ones that can apply; each fits when the instant it gives has it.
        const std::int64_t before = OffsetSecondsLocked(localSeconds - kSecondsPerDay);
        const std::int64_t after = OffsetSecondsLocked(localSeconds + kSecondsPerDay);
        const bool beforeFits = OffsetSecondsLocked(localSeconds - before) == before;
        const bool afterFits = OffsetSecondsLocked(localSeconds - after) == after;
        if (beforeFits && afterFits)
            chosen = std::max(before, after); // repeated hour: the earlier instant
        else if (afterFits)
            chosen = after;
        else
            chosen = before; // skipped hour: as if the change had not happened yet
    }
    return FileTimeFromUnixMs(localMs - chosen * 1000);
}
