// FilesListFlow: the device's list goes to the server (or nothing does), and the server's list comes
// back in its place.

#include "service/TesselService.h"

#include "ServiceLog.h"
#include "service/BrandingTexts.h"
#include "service/CReg_Api.h"
#include "service/FileListDocuments.h"
#include "service/ServerTransport.h"
#include "service/XmlDocuments.h"

RETURNED_RES TesselService::FilesListFlow(HWND window, std::u16string_view command, FileList& list,
                                          int sendDeviceList)
{
    ReportProgress(window, kTextGettingFileList, 10);
    if (IsStopped())
        return RES_OK;
    PrepareHTTPHeader(command);
    RETURNED_RES result = RES_OK;
    if (sendDeviceList == 1) {
        const std::u16string document = DeviceListDocument(list);
        if (document.empty()) {
            SERVICE_LOG_FAILURE(this);
            return RES_ERROR;
        }
        ReportProgress(window, kTextSendingFileList, 50);
        result = ExecuteRequest(u"POST", document);
    } else {
        result = ExecuteRequest(u"GET");
    }
    if (result != RES_OK) {
        SERVICE_LOG_FAILURE(this);
        return result;
    }
    std::u16string answer;
    if (!m_transport->ReadBody(answer)) {
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    // The list is replaced only by a list that could be read: a broken answer loses nothing.
    const CFileKindRules kinds(m_settingsStore->Snapshot(), CFileKindRules::kAllKinds);
    std::optional<FileList> files = ParseFileListAnswer(answer, kinds);
    if (!files) {
        LogLine(SaveUnreadableAnswer(answer) ? "files list answer: not a document; kept as \\res.xml"
                                             : "files list answer: not a document; \\res.xml cannot be written");
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    list = std::move(*files);
    return RES_OK;
}
