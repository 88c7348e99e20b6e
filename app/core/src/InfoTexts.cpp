#include "core/InfoTexts.h"

#include "core/Operations.h"
#include "service/BrandingTexts.h"
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
    {u"contacts_added", kTextContactsAdded},
    {u"contacts_uploaded", kTextContactsSent},
    {u"contacts_updated", kTextContactsUpdated},
    {u"contacts_deleted", kTextContactsDeleted},
    {u"contacts_failed", kTextContactsFailed},
    {u"sms_added", kTextMessagesAdded},
    {u"sms_deleted", kTextMessagesDeleted},
    {u"sms_failed", kTextMessagesFailed},
    {u"files_added", kTextFilesReceived},
    {u"files_uploaded", kTextFilesSent},
    {u"files_deleted", kTextFilesDeleted},
    {u"files_failed", kTextFilesFailed},
    {u"appointments_added", kTextAppointmentsAdded},
    {u"appointments_updated", kTextAppointmentsUpdated},
    {u"appointments_deleted", kTextAppointmentsDeleted},
    {u"appointments_failed", kTextAppointmentsFailed},
    {u"tasks_added", kTextTasksAdded},
    {u"tasks_updated", kTextTasksUpdated},
    {u"tasks_deleted", kTextTasksDeleted},
    {u"tasks_failed", kTextTasksFailed},
};

// Label of the "transaction" value: the operation that ran last.
int TransactionLabelText(std::uint32_t transaction)
{
    switch (transaction) {
    case 10:
        return kTextSummarySync;
    case 11:
        return kTextSummaryCalendarSync;
    case 12:
        return kTextSummaryUpload;
    case 13:
        return kTextSummaryDownload;
    case 14:
        return kTextBackup;
    case 15:
        return 92;
    case kWipeoutTransaction:
        return kTextWipeout;
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
    const std::optional<std::uint64_t> syncTime = service.SummaryTime(u"sync_time_low", u"sync_time_high");
    if (!syncTime)
        return BrandingText(kTextNotSynchronised);

    std::u16string body = FormatLocalTime(*syncTime) + u"\r\n";
    if (const int label = TransactionLabelText(transaction))
        body += BrandingText(label);
    body += u"\r\n";
    body += BrandingText(success != 0 ? kTextCompleted : kTextNotCompleted);
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
        body += BrandingText(kTextNothingToTransfer);
    return body;
}

std::u16string AboutText(std::u16string_view programPath)
{
    VS_FIXEDFILEINFO version{};
    GetFileVersion(programPath, version);
    return BrandingText(kTextVersion) + u" " + Decimal(version.dwFileVersionMS >> 16) + u"." +
           Decimal(version.dwFileVersionMS & 0xFFFF) + u"." + Decimal(version.dwFileVersionLS >> 16) +
           u"\r\n\r\n" + BrandingText(kTextAboutBody);
}

std::u16string ProgramPath()
{
    std::error_code error;
    return Utf8ToUtf16(std::filesystem::read_symlink("/proc/self/exe", error).string());
}
