#include "service/TesselService.h"

#include "platform/Registry.h"

#include <array>

namespace {

constexpr std::u16string_view kSummaryKey = u"Software\\Orvane\\Summary";

// The counters of one operation; the transaction values and the times are not among them.
constexpr std::array<const char16_t*, 21> kCounters = {
    u"contacts_added",      u"contacts_updated",   u"contacts_deleted",     u"contacts_failed",
    u"contacts_uploaded",   u"sms_added",          u"sms_deleted",          u"sms_failed",
    u"files_added",         u"files_updated",      u"files_uploaded",       u"files_deleted",
    u"files_failed",        u"appointments_added", u"appointments_updated", u"appointments_deleted",
    u"appointments_failed", u"tasks_added",        u"tasks_updated",        u"tasks_deleted",
    u"tasks_failed",
};

bool OpenSummary(CRegKey& key)
{
    return CRegistry::CreateKey(RegRoot::CurrentUser, kSummaryKey, key) == RegStatus::Ok;
}

} // namespace

void TesselService::SummarySet(std::u16string_view name, REG_TYPE type, std::uint32_t* value,
                               const std::u16string* text)
{
    CRegKey key;
    if (!OpenSummary(key))
        return;
    if (type == REG_TYPE_DWORD && value) {
        if (key.SetDword(name, *value) != RegStatus::Ok)
            *value = 0;
    } else if (type == REG_TYPE_STRING && text) {
        key.SetString(name, *text);
    }
}

void TesselService::SummaryGetMsg(std::u16string_view name, REG_TYPE type, std::uint32_t* value,
                                  std::u16string* text)
{
    CRegKey key;
    if (!OpenSummary(key))
        return;
    RegValue stored;
    const bool present = key.QueryValue(name, stored) == RegStatus::Ok;
    if (type == REG_TYPE_DWORD && value) {
        *value = present ? DwordOf(stored).value_or(0) : 0;
    } else if (type == REG_TYPE_STRING && text) {
        *text = present ? TextOf(stored, kMaxRegTextChars).value_or(u"") : u"";
    }
}

std::optional<std::uint64_t> TesselService::SummaryTime(std::u16string_view lowName, std::u16string_view highName)
{
    CRegKey key;
    if (!OpenSummary(key))
        return std::nullopt;
    RegValue low;
    RegValue high;
    if (key.QueryValue(lowName, low) != RegStatus::Ok || key.QueryValue(highName, high) != RegStatus::Ok)
        return std::nullopt;
    const std::optional<std::uint32_t> lowHalf = DwordOf(low);
    const std::optional<std::uint32_t> highHalf = DwordOf(high);
    // An emptied summary holds zeros. A real time has a high half far above zero, while its low half
    // may be anything, zero included.
    if (!lowHalf || !highHalf || *highHalf == 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(*highHalf) << 32 | *lowHalf;
}

void TesselService::SummaryEmptyAll()
{
    CRegKey key;
    if (!OpenSummary(key))
        return;
    for (const char16_t* counter : kCounters)
        key.SetDword(counter, 0);
}
