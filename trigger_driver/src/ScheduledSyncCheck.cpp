#include "trigger_driver/OrvaneCir.h"

#include "platform/Registry.h"
#include "utils/Time.h"

#include <optional>

namespace {

std::optional<std::uint32_t> ReadDword(const CRegKey& key, std::u16string_view name)
{
    RegValue value;
    if (key.QueryValue(name, value) != RegStatus::Ok)
        return std::nullopt;
    return DwordOf(value);
}

} // namespace

bool IsScheduledSyncDue(FileTime now)
{
    CRegKey settings;
    if (CRegistry::CreateKey(RegRoot::CurrentUser, u"Software\\Orvane\\Settings", settings) != RegStatus::Ok)
        return false;
    const std::optional<std::uint32_t> period = ReadDword(settings, u"Sync-Period");
    if (!period || *period == 0)
        return false;
    // The key is read whole however long it has grown since the last check (up to the handset's
    // 259 characters); a longer one counts as missing, as on the handset.
    RegValue keyValue;
    if (settings.QueryValue(u"QX-key", keyValue) != RegStatus::Ok)
        return false;
    const std::optional<std::u16string> deviceKey = TextOf(keyValue, kMaxRegTextChars);
    if (!deviceKey || deviceKey->empty())
        return false;

    CRegKey summary;
    if (CRegistry::CreateKey(RegRoot::CurrentUser, u"Software\\Orvane\\Summary", summary) != RegStatus::Ok)
        return false;
    const std::optional<std::uint32_t> low = ReadDword(summary, u"sync_time_low");
    const std::optional<std::uint32_t> high = ReadDword(summary, u"sync_time_high");
    if (!low || !high)
        return false;
    return IsSyncDue(now, static_cast<std::uint64_t>(*high) << 32 | *low, *period);
}
