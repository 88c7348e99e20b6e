#include "core/RunnerSteps.h"

#include "service/BrandingTexts.h"
#include "service/CReg_Api.h"
#include "service/FileObject.h"

namespace {

bool AnyDownload(const _SETTINGS_DEF& settings)
{
    return settings.Sync_Direction_Images || settings.Sync_Direction_Video || settings.Sync_Direction_Audio ||
           settings.Sync_Direction_Other;
}

// The files the server names in its answer come to the handset, in the folders of their kinds whose
// sync switch is on.
bool Download(CRunContext& run, FileList& list, std::u16string_view command)
{
    CServiceCalls& calls = run.Calls();
    return run.Check(calls.FilesListFlow(run.Window(), command, list, 0), kTextServerFilesNotListed) &&
           run.Check(calls.FilesDownloadFromList(run.Window(), list, 0, 0), kTextFilesNotDownloaded);
}

} // namespace

bool MediaStep(CRunContext& run, DataOperation operation)
{
    CServiceCalls& calls = run.Calls();
    FileList list;
    if (operation == DataOperation::Restore) {
        run.Progress(kTextExchangingFiles, 20);
        return Download(run, list, u"ListDevice");
    }
    const _SETTINGS_DEF settings = run.Settings().Snapshot();
    run.Progress(kTextLookingForFiles, 10);
    if (!run.Check(calls.FilesGetList(list, settings.Sync_Images, settings.Sync_Video, settings.Sync_Audio,
                                      settings.Sync_Other),
                   kTextDeviceFilesNotListed))
        return false;
    // The server answers the device list with the files it wants, and all of those are sent.
    run.Progress(kTextExchangingFiles, operation == DataOperation::Sync ? 10 : 20);
    if (!run.Check(calls.FilesListFlow(run.Window(), u"List", list, 1), kTextFileListNotExchanged) ||
        !run.Check(calls.FilesUploadFromList(run.Window(), list, 1), kTextFilesNotTransferred))
        return false;
    if (operation == DataOperation::Backup || !AnyDownload(settings))
        return true;
    run.Progress(kTextDownloadingFiles, 20);
    return Download(run, list, u"ListNew");
}
