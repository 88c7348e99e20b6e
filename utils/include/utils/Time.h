#pragma once
// Millisecond time stamps as the server expects them in "timestamp" attributes.

#include <cstdint>
#include <string>

// The current UTC time as the decimal count of milliseconds since 1 January 1970.
std::u16string GetMilisecSince1970();

// A 64-bit count of 100-nanosecond units since 1 January 1601 UTC as milliseconds since 1970:
// (fileTime - 116444736000000000) / 10000, truncated, as a signed decimal without padding.
// Times before 1970 come out negative.
std::u16string MilisecSince1970Text(std::uint64_t fileTime);
