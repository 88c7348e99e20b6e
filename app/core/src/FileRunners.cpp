#include "core/FileRunners.h"

#include "core/CFilesListDlg.h"
#include "core/Operations.h"
#include "platform/Clock.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/TesselService.h"

namespace {

constexpr std::uint32_t kUploadTransaction = 12;
constexpr std::uint32_t kDownloadTransaction = 13;

// The words and texts in which Upload and Download differ.
struct TransferKind {
    const char16_t* listOperation;     // the first session's operation and list command
    const char16_t* transferOperation; // the second session's
    int listText;                      // progress of the list exchange
    int listPercent;
    int transferText; // progress of the transfer
    int transferPercent;
    int emptyText; // the list came back empty
    int titleText; // the final message's first line
    CFilesListDlg::Mode mode;
};

constexpr TransferKind kUpload = {u"ListUpload", u"Upload", kTextExchangingFiles, 80, kTextExchangingFiles, 20,
                                  kTextNoDeviceFiles, kTextSummaryUpload, CFilesListDlg::Mode::Upload};
constexpr TransferKind kDownload = {u"ListServer", u"Download", kTextDownloadingFiles, 20, kTextDownloadingFiles, 0,
                                    kTextNoServerFiles, kTextSummaryDownload, CFilesListDlg::Mode::Download};

bool CompleteNegotiation(CRunContext& run, const char16_t* operation)
{
    run.Progress(kTextOpeningSession, 60);
    // Files only, started by the user.
    return run.Check(run.Calls().CompleteNegotiation(operation, 0, 0, 0, 1, 0), kTextOperationRefused);
}

bool ListDeviceFiles(CRunContext& run, FileList& list)
{
    return run.Check(run.Calls().FilesGetList(list, 1, 1, 1, 1), kTextDeviceFilesNotListed);
}

// The second half of both: the user's choice, the transfer session and the final message. The list
// holds the first session's answer.
void PickAndTransfer(CRunContext& run, const TransferKind& kind, FileList& list)
{
    CServiceCalls& calls = run.Calls();
    if (list.empty()) {
        run.CloseAndTell(BrandingText(kind.emptyText), RunOutcome::NotRun);
        return;
    }
    int selectedCount = 0;
    CFilesListDlg dialog(list, selectedCount, kind.mode);
    if (!run.RunFilesList(dialog)) {
        run.CloseWith(RunOutcome::NotRun);
        return;
    }
    if (selectedCount == 0) {
        run.CloseAndTell(BrandingText(kTextNoFileSelected), RunOutcome::NotRun);
        return;
    }
    CClock::Get().Sleep(10);
    // The transfer session reuses the connection; the server may want the settings fetched, which
    // can wait until the files have moved.
    run.Progress(kTextConnecting, 40);
    const RETURNED_RES started = calls.StartNegotiation(run.Window());
    if (!run.Check(started == RES_SETTINGS_REQUIRED ? RES_OK : started, kTextServerUnreachable))
        return;
    if (!CompleteNegotiation(run, kind.transferOperation))
        return;
    run.Progress(kind.transferText, kind.transferPercent);
    const RETURNED_RES moved = kind.mode == CFilesListDlg::Mode::Upload
                                   ? calls.FilesUploadFromList(run.Window(), list, 0)
                                   : calls.FilesDownloadFromList(run.Window(), list, 1, 1);
    if (!run.Check(moved, kTextFilesNotTransferred))
        return;
    if (!run.Check(calls.CompleteSession(), kTextSessionNotCompleted))
        return;
    WriteTransactionSuccess(*TesselService::InitService());
    run.CloseAndTell(BrandingText(kind.titleText) + u"\r\n" + BrandingText(kTextCompleted), RunOutcome::Ok);
}

// The list exchange of the first session and its end.
bool ExchangeList(CRunContext& run, const TransferKind& kind, FileList& list)
{
    run.Progress(kind.listText, kind.listPercent);
    if (!run.Check(run.Calls().FilesListFlow(run.Window(), kind.listOperation, list, 1), kTextFileListNotExchanged))
        return false;
    return run.Check(run.Calls().CompleteSession(), kTextSessionNotCompleted);
}

} // namespace

void UploadRunner(CRunContext& run)
{
    FileList list;
    if (!ListDeviceFiles(run, list))
        return;
    WriteTransactionStart(*TesselService::InitService(), kUploadTransaction);
    if (!run.OpenSession(40) || !CompleteNegotiation(run, kUpload.listOperation) || !ExchangeList(run, kUpload, list))
        return;
    PickAndTransfer(run, kUpload, list);
}

void DownloadRunner(CRunContext& run)
{
    FileList list;
    if (!run.OpenSession(40) || !CompleteNegotiation(run, kDownload.listOperation))
        return;
    // Written only once the server took the operation: a Download that cannot start leaves the
    // previous operation in the summary.
    WriteTransactionStart(*TesselService::InitService(), kDownloadTransaction);
    if (!ListDeviceFiles(run, list) || !ExchangeList(run, kDownload, list))
        return;
    PickAndTransfer(run, kDownload, list);
}
