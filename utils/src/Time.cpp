#include "utils/Time.h"

#include "utils/Utf.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace {

// 100-ns units from 1 January 1601 to 1 January 1970.
constexpr std::uint64_t kUnixEpochFileTime = 116444736000000000ull;

} // namespace

std::u16string MilisecSince1970Text(std::uint64_t fileTime)
{
    // Unsigned subtraction wraps for times before 1970; read as signed it is the negative difference.
    const auto since1970 = static_cast<std::int64_t>(fileTime - kUnixEpochFileTime);
    char digits[32];
    std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(since1970 / 10000));
    return Latin1ToUtf16(digits);
}

std::u16string GetMilisecSince1970()
{
    using FileTimeUnits = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
    const auto sinceUnixEpoch =
        std::chrono::duration_cast<FileTimeUnits>(std::chrono::system_clock::now().time_since_epoch());
    return MilisecSince1970Text(kUnixEpochFileTime + static_cast<std::uint64_t>(sinceUnixEpoch.count()));
}

bool IsSyncDue(std::uint64_t now, std::uint64_t lastSync, std::uint32_t periodDays)
{
    if (periodDays == 0 || periodDays > UINT64_MAX / kFileTimeDay)
        return false;
    return now - lastSync >= periodDays * kFileTimeDay;
}
