#include "core/Operations.h"

#include "platform/Clock.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/TesselService.h"

#include <cstdio>

namespace {

constexpr std::array<OperationInfo, kOperationCount> kOperations = {{
    {OP_SYNC, u"Enable-Sync", &_SETTINGS_DEF::Enable_Sync, kTextSync},
    {OP_CALENDAR_SYNC, u"Enable-SyncCalendar", &_SETTINGS_DEF::Enable_SyncCalendar, kTextCalendarSync},
    {OP_UPLOAD, u"Enable-ManualUpload", &_SETTINGS_DEF::Enable_ManualUpload, kTextUploadFiles},
    {OP_DOWNLOAD, u"Enable-ManualDownload", &_SETTINGS_DEF::Enable_ManualDownload, kTextDownloadFiles},
    {OP_BACKUP, u"Enable-Backup", &_SETTINGS_DEF::Enable_Backup, kTextBackup},
    {OP_RESTORE, u"Enable-Restore", &_SETTINGS_DEF::Enable_Restore, kTextRestore},
}};

std::u16string LastSyncText(TesselService& service, std::u16string_view lowName, std::u16string_view highName)
{
    const std::optional<std::uint64_t> time = service.SummaryTime(lowName, highName);
    return time ? FormatLocalTime(*time) : BrandingText(kTextNotSynchronised);
}

void SetSummaryValue(TesselService& service, std::u16string_view name, std::uint32_t value)
{
    service.SummarySet(name, REG_TYPE_DWORD, &value, nullptr);
}

std::u16string Subtitle(OperationCode code, TesselService& service)
{
    switch (code) {
    case OP_SYNC:
        return LastSyncText(service, u"sync_time_low", u"sync_time_high");
    case OP_CALENDAR_SYNC:
        return LastSyncText(service, u"cal_sync_time_low", u"cal_sync_time_high");
    case OP_UPLOAD:
    case OP_DOWNLOAD:
        return BrandingText(kTextChooseFiles);
    case OP_BACKUP:
        return BrandingText(kTextBackupSubtitle);
    case OP_RESTORE:
        return BrandingText(kTextRestoreSubtitle);
    }
    return {};
}

} // namespace

const std::array<OperationInfo, kOperationCount>& OperationTable()
{
    return kOperations;
}

std::vector<OperationRow> BuildOperationRows(const _SETTINGS_DEF& settings, TesselService& service)
{
    std::vector<OperationRow> rows;
    for (const OperationInfo& operation : kOperations) {
        if (settings.*operation.enabled == 0)
            continue;
        rows.push_back(OperationRow{operation.code, 170 + operation.code, BrandingText(operation.titleText),
                                    Subtitle(operation.code, service)});
    }
    return rows;
}

std::u16string FormatLocalTime(std::uint64_t fileTime)
{
    const CivilTime local = UtcToLocal(fileTime);
    char text[64];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d %02d:%02d:%02d", local.day, local.month, local.year,
                  local.hour, local.minute, local.second);
    std::u16string wide;
    for (const char* at = text; *at; ++at)
        wide += static_cast<char16_t>(*at);
    return wide;
}

FileTime WriteTransactionStart(TesselService& service, std::uint32_t transaction)
{
    SetSummaryValue(service, u"transaction", transaction);
    const FileTime now = CClock::Get().UtcNow();
    WriteSummaryTime(service, u"transact_time_low", u"transact_time_high", now);
    SetSummaryValue(service, u"transaction_success", 0);
    return now;
}

void WriteTransactionSuccess(TesselService& service)
{
    SetSummaryValue(service, u"transaction_success", 1);
}

void WriteSummaryTime(TesselService& service, std::u16string_view lowName, std::u16string_view highName,
                      FileTime time)
{
    SetSummaryValue(service, lowName, static_cast<std::uint32_t>(time));
    SetSummaryValue(service, highName, static_cast<std::uint32_t>(time >> 32));
}
