// The SMS flows: the handset's inbox and sent items go to the server as one message list (backup),
// and a message list from the server is applied to them (restore). No checksums, no chunks: a message
// is known by its delivery time, first recipient and sender.

#include "service/TesselService.h"

#include "ServiceLog.h"
#include "SmsFolders.h"
#include "SmsRestoreWriter.h"
#include "service/BrandingTexts.h"
#include "service/ServerTransport.h"
#include "service/SmsMessageList.h"
#include "service/XmlDocuments.h"

namespace {

std::span<const std::uint8_t> BytesOf(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

void TesselService::LogMissingSmsStore() const
{
    if (!m_smsStore)
        LogLine("sms: the handset has no SMS store: " + m_smsStoreError);
}

RETURNED_RES TesselService::SmsBackupFlow(HWND window, std::u16string_view mode)
{
    LogMissingSmsStore();
    ReportProgress(window, kTextSendingMessages, 10);
    if (IsStopped())
        return RES_OK;
    // The list is written as text while the store is read, so a large store is in memory once.
    std::string document;
    CSmsListWriter writer(document);
    const std::int32_t count = WriteHandsetMessages(m_smsStore.get(), writer);
    if (count < 0) {
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    ReportProgress(window, kTextSendingMessages, 40);
    if (IsStopped())
        return RES_OK;
    writer.Finish();
    if (IsStopped())
        return RES_OK;

    PrepareHTTPHeader(mode);
    m_transport->AddHeader(u"QX-CommandType: ", u"SMS");
    m_transport->AddNumberHeader(u"QX-TotalSize: ", count);
    m_transport->AddNumberHeader(u"QX-ChunkOffset: ", 0);
    m_transport->AddNumberHeader(u"QX-ChunkSize: ", count);
    ReportProgress(window, kTextSendingMessages, 50);
    if (IsStopped())
        return RES_OK;
    const RETURNED_RES result = ExecuteRequest(u"POST", BytesOf(document));
    if (result != RES_OK) {
        SERVICE_LOG_FAILURE(this);
        return result;
    }
    ReportProgress(window, kTextSendingMessages, 100);
    return RES_OK;
}

RETURNED_RES TesselService::SmsRestoreFlow(std::u16string_view mode)
{
    LogMissingSmsStore();
    if (IsStopped())
        return RES_OK;
    // In "Sync" the answer to the backup's request is the list to apply.
    if (mode == u"Restore") {
        PrepareHTTPHeader(u"Restore");
        m_transport->AddHeader(u"QX-CommandType: ", u"SMS");
        const RETURNED_RES result = ExecuteRequest(u"GET");
        if (result != RES_OK) {
            SERVICE_LOG_FAILURE(this);
            return result;
        }
    }
    std::string_view answer;
    if (!m_transport || !m_transport->ReadBodyView(answer)) {
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    SmsListAnswer list;
    std::string error;
    if (!ParseSmsList(answer, list, error)) {
        LogLine("sms answer: not a document (" + error + ")" +
                (SaveUnreadableAnswer(Utf8ToUtf16(answer)) ? "; kept as \\res.xml" : ""));
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    SmsRestoreCounts counts;
    counts.failed = list.unreadable;
    if (ApplySmsList(m_smsStore.get(), list.records, counts) < 0) {
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    SummarySet(u"sms_added", REG_TYPE_DWORD, &counts.added, nullptr);
    SummarySet(u"sms_deleted", REG_TYPE_DWORD, &counts.deleted, nullptr);
    SummarySet(u"sms_failed", REG_TYPE_DWORD, &counts.failed, nullptr);
    return RES_OK;
}
