#include "core/InfoTexts.h"

#include "core/Operations.h"
#include "service/CBrandingGuide.h"
#include "service/TesselService.h"
#include "utils/Utf.h"
#include "utils/Version.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace {

struct Counter {
    const char16_t* name;
    int labelText;
};

// "files_updated" is counted by the flows but not shown.
constexpr Counter kCounters[] = {
    {u"contacts_added", 136},      {u"contacts_uploaded", 175},    {u"contacts_updated", 137},
    {u"contacts_deleted", 138},    {u"contacts_failed", 139},      {u"sms_added", 140},
    {u"sms_deleted", 141},         {u"sms_failed", 142},           {u"files_added", 143},
    {u"files_uploaded", 144},      {u"files_deleted", 145},        {u"files_failed", 146},
    {u"appointments_added", 147},  {u"appointments_updated", 148}, {u"appointments_deleted", 149},
    {u"appointments_failed", 150}, {u"tasks_added", 151},          {u"tasks_updated", 152},
    {u"tasks_deleted", 153},       {u"tasks_failed", 154},
};

constexpr int kWipeoutText = 192;

// Label of the "transaction" value: the operation that ran last.
int TransactionLabelText(std::uint32_t transaction)
{
    switch (transaction) {
    case 10:
        return 130;
    case 11:
        return 133;
    case 12:
        return 134;
    case 13:
        return 135;
    case 14:
        return 3;
    case 15:
        return 92;
    case kWipeoutTransaction:
        return kWipeoutText;
    default:
        return 0;
    }
}

std::uint32_t ReadCounter(TesselService& service, std::u16string_view name)
{
    std::uint32_t value = 0;
    service.SummaryGetMsg(name, REG_TYPE_DWORD, &value, nullptr);
    return value;
}

std::u16string Decimal(std::int64_t value)
{
    return Utf8ToUtf16(std::to_string(value));
}

} // namespace

std::u16string SummaryText(TesselService& service)
{
    const std::uint32_t transaction = ReadCounter(service, u"transaction");
    const std::uint32_t success = ReadCounter(service, u"transaction_success");
    const std::optional<std::uint64_t> syncTime = SummaryTime(service, u"sync_time_low", u"sync_time_high");
    if (!syncTime)
        return BrandingText(93);

    std::u16string body = FormatLocalTime(*syncTime) + u"\r\n";
    if (const int label = TransactionLabelText(transaction))
        body += BrandingText(label);
    body += u"\r\n";
    body += BrandingText(success != 0 ? 131 : 132);
    body += u"\r\n\r\n";
    bool anyCounter = false;
    for (const Counter& counter : kCounters) {
        // The handset prints counters as signed numbers.
        const auto value = static_cast<std::int32_t>(ReadCounter(service, counter.name));
        if (value == 0)
            continue;
        body += Decimal(value) + u" " + BrandingText(counter.labelText) + u"\r\n";
        anyCounter = true;
    }
    if (!anyCounter)
        body += BrandingText(155);
    return body;
}

std::u16string AboutText(std::u16string_view programPath)
{
    VS_FIXEDFILEINFO version{};
    GetFileVersion(programPath, version);
    return BrandingText(116) + u" " + Decimal(version.dwFileVersionMS >> 16) + u"." +
           Decimal(version.dwFileVersionMS & 0xFFFF) + u"." + Decimal(version.dwFileVersionLS >> 16) +
           u"\r\n\r\n" + BrandingText(117);
}

std::u16string ProgramPath()
{
    std::error_code error;
    return Utf8ToUtf16(std::filesystem::read_symlink("/proc/self/exe", error).string());
}
