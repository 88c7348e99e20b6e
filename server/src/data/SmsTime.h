#pragma once
// The two written forms of a message's delivery time (UTC, to the second):
//  - the handset's: "%d-%m-%Y %I:%M:%S %p", day first with a 12-hour clock ("05-03-2024 02:15:09 PM"),
//    which handsets write and read in their message lists;
//  - the operator's: "2024-03-05T14:15:09Z".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

std::string FormatHandsetTime(std::int64_t timeS);
// The handset's form, or a 24-hour time without marker (12 AM is hour 0, 12 PM hour 12); nothing for
// anything else: a field out of range, a day the month does not have, a year before 1601 or after 9999.
std::optional<std::int64_t> ParseHandsetTime(std::string_view text);

std::string FormatOperatorTime(std::int64_t timeS);
// "YYYY-MM-DDTHH:MM:SS", with or without the "Z"; nothing for anything else.
std::optional<std::int64_t> ParseOperatorTime(std::string_view text);
