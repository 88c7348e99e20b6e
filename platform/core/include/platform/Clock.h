#pragma once
// Time for the whole process: UTC now, the millisecond tick count, sleeps and timed waits.
//
// Everything that sleeps or waits with a time-out goes through the installed clock, so that tests can
// install a CVirtualClock on which a loop of 80 waits of 500 ms finishes at once. The default clock is
// the system clock. Install a clock before the threads that use it start, and keep it alive while it
// is installed.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

// 100-nanosecond units since 1601-01-01 UTC (the handset's file time).
using FileTime = std::uint64_t;
inline constexpr FileTime kFileTimeAt1970 = 116444736000000000ULL;
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

// A calendar date and time of day, in UTC or local time depending on where it came from.
struct CivilTime {
    int year = 1601;
    int month = 1;     // 1..12
    int day = 1;       // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 1; // 0 = Sunday; filled in by the conversions, ignored by CivilToFileTime
};

class CClock {
public:
    virtual ~CClock() = default;

    virtual FileTime UtcNow() = 0;
    // Milliseconds since an arbitrary start; wraps around like the handset's tick count.
    virtual std::uint32_t TickCount() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;

    // Waits on `cv` (with `lock` held on entry and on return) until `ready()` is true or `timeout`
    // milliseconds (kInfinite: no limit) have passed on this clock. Returns ready() at the end.
    // Whoever makes ready() true must notify `cv` while holding the same mutex.
    virtual bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                           const std::function<bool()>& ready, std::uint32_t timeout) = 0;

    // The installed clock (the system clock unless a test installed another).
    static CClock& Get();
    // Installs `clock` for the whole process; nullptr puts the system clock back.
    static void Install(CClock* clock);
};

// Calendar conversions. Local time follows the TZ database (the TZ environment variable, else the
// system zone), including daylight saving at the instant concerned.
// Pure arithmetic on the proleptic Gregorian calendar; below a millisecond is cut off.
CivilTime FileTimeToCivil(FileTime time);
// Out-of-range fields carry over (month 13, day 0, hour 24 ...); a result before 1601 gives 0, one past
// the last FileTime gives the largest.
FileTime CivilToFileTime(const CivilTime& civil);
CivilTime UtcToLocal(FileTime utc);
// Local civil time to UTC. A local time that does not exist (skipped by a DST change) is taken as
// if the change had not happened yet; an ambiguous one (repeated) as the earlier instant.
FileTime LocalToUtc(const CivilTime& local);
// Offset of local time from UTC, in minutes, at the given instant (e.g. +60 for CET in winter).
int LocalOffsetMinutes(FileTime utc);
