#include "core/ShortRunners.h"

#include "platform/Clock.h"
#include "service/BrandingTexts.h"
#include "service/CReg_Api.h"

namespace {

// Gives the user interface a moment to show the wait dialog before the first step.
void LetDialogOpen()
{
    CClock::Get().Sleep(10);
}

bool HasDeviceKey(CRunContext& run)
{
    return !run.Settings().Get(&_SETTINGS_DEF::QX_key).empty();
}

bool Identify(CRunContext& run)
{
    run.Progress(kTextIdentifying, 0);
    int alreadyIdentified = 0;
    return run.Check(run.Calls().IdentifyDevice(run.Window(), alreadyIdentified), kTextNotRegistered);
}

void RetrieveSettings(CRunContext& run)
{
    run.Progress(kTextOpeningSession, 50);
    if (run.Check(run.Calls().SettingsRetrieveFlow(run.Window()), kTextSettingsNotReceived))
        run.CloseWaitDialog();
}

} // namespace

void RegisterRunner(CRunContext& run)
{
    run.Settings().Set(&_SETTINGS_DEF::SettingsRettrived, 0);
    run.Settings().SaveSettings();
    LetDialogOpen();

    run.Progress(kTextIdentifying, 0);
    const RETURNED_RES registered = run.Calls().RetrieveSmsFlow(run.Window());
    if (!run.Check(registered, kTextNotRegistered))
        return;
    // The server wants no SMS: it identifies the handset directly.
    if (registered == RES_SETTINGS_REQUIRED) {
        if (!Identify(run))
            return;
        if (!HasDeviceKey(run)) {
            run.EndWithoutKeys();
            return;
        }
    }
    RetrieveSettings(run);
}

void IdentifyRunner(CRunContext& run)
{
    LetDialogOpen();
    if (!Identify(run))
        return;
    if (!HasDeviceKey(run)) {
        run.Fail(kTextNotConfirmedInTime, CRunContext::BoxOrder::AfterClosing);
        return;
    }
    RetrieveSettings(run);
}

void RefreshRunner(CRunContext& run)
{
    LetDialogOpen();
    if (Identify(run))
        RetrieveSettings(run);
}

void SettingsUploadRunner(CRunContext& run)
{
    LetDialogOpen();
    CServiceCalls& calls = run.Calls();
    run.Progress(kTextConnecting, 20);
    // The server may ask for a settings download first; the upload goes ahead all the same.
    const RETURNED_RES started = calls.StartNegotiation(run.Window());
    if (!run.Check(started == RES_SETTINGS_REQUIRED ? RES_OK : started, kTextServerUnreachable))
        return;
    run.Progress(kTextOpeningSession, 40);
    if (!run.CheckInSession(calls.CompleteNegotiation(u"StoreSettings", 0, 0, 0, 0, 0), kTextOperationRefused))
        return;
    run.Progress(kTextSendingSettings, 60);
    if (!run.CheckInSession(calls.SettingsStoreFlow(), kTextSettingsNotSent))
        return;
    if (!run.Check(calls.CompleteSession(), kTextSessionNotCompleted))
        return;
    run.CloseWaitDialog();
}
