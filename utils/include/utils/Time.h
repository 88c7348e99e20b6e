#pragma once
// Millisecond time stamps as the server expects them in "timestamp" attributes, and when a scheduled
// sync is due.

#include <cstdint>
#include <string>

// The current UTC time as the decimal count of milliseconds since 1 January 1970.
std::u16string GetMilisecSince1970();

// A 64-bit count of 100-nanosecond units since 1 January 1601 UTC as milliseconds since 1970:
// (fileTime - 116444736000000000) / 10000, truncated, as a signed decimal without padding.
// Times before 1970 come out negative.
std::u16string MilisecSince1970Text(std::uint64_t fileTime);

// One day in 100-nanosecond units.
inline constexpr std::uint64_t kFileTimeDay = 864000000000ull;

// Whether a scheduled sync is due at `now`, the last one having been at `lastSync` (both 64-bit counts of
// 100-nanosecond units since 1601): the time since, taken modulo 2^64, is at least `periodDays` days. A
// last sync later than now (the clock was set back) gives a huge difference and is due, and that sync
// writes the present time, so it happens once. Period 0 means no scheduled sync: never due. A period too
// long to count in 64 bits is never due either. The application's periodic check and the trigger driver
// both decide by this.
bool IsSyncDue(std::uint64_t now, std::uint64_t lastSync, std::uint32_t periodDays);
