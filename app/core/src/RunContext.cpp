#include "core/RunContext.h"

#include "core/AppUi.h"
#include "core/CFilesListDlg.h"
#include "platform/Event.h"
#include "platform/UiPort.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/CReg_Api.h"
#include "service/Messages.h"
#include "service/UI_Sync.h"

CRunContext::CRunContext(CAppUi& ui, CServiceCalls& calls, HWND view, HWND waitDialog, bool pushInitiated)
    : m_ui(ui), m_calls(calls), m_settings(*CReg_Api::GetInstanceReg()), m_view(view),
      m_bridge(*UI_Sync::GetInstanceUISync()),
      m_window(waitDialog), m_pushInitiated(pushInitiated)
{}

void CRunContext::Progress(int text, std::int32_t percent)
{
    if (!IsWindow(m_window))
        return;
    const std::u16string status = BrandingText(text);
    SendMessage(m_window, WM_SYNC_PROGRESS, reinterpret_cast<WPARAM>(status.c_str()), percent);
}

bool CRunContext::OpenSession(std::int32_t percent)
{
    Progress(kTextConnecting, percent);
    const RETURNED_RES started = m_calls.StartNegotiation(m_window);
    if (!Check(started, kTextServerUnreachable))
        return false;
    if (started != RES_SETTINGS_REQUIRED)
        return true;
    return Check(m_calls.ConfigVersionFlow(m_window), kTextConfigurationNotReceived);
}

bool CRunContext::RunFilesList(CFilesListDlg& dialog)
{
    // The user-interface thread runs it inside the wait dialog's loop; this thread waits for the
    // answer, so the list is touched by one thread at a time.
    CEvent closed(EventReset::Manual, false);
    bool done = false;
    m_ui.Loop().Post([&] {
        done = m_ui.RunFilesList(dialog);
        closed.Set();
    });
    closed.Wait(kInfinite);
    return done;
}

bool CRunContext::Check(RETURNED_RES result, int errorText)
{
    if (result == RES_ERROR) {
        Fail(errorText, BoxOrder::BeforeClosing);
        return false;
    }
    if (result == RES_STOPPED) {
        m_exitAfterRun.store(true);
        m_outcome.store(RunOutcome::ServerStopped);
        CloseWaitDialog();
        return false;
    }
    if (m_bridge.IsStopped() || result == RES_SERVER_ERROR) {
        m_outcome.store(result == RES_SERVER_ERROR ? RunOutcome::ServerError : RunOutcome::Stopped);
        CloseWaitDialog();
        return false;
    }
    if (result == RES_REPEAT) {
        // A server dialog asked for the command again, which only the negotiation sends: the step was
        // never answered, so the operation has not succeeded.
        Fail(errorText, BoxOrder::BeforeClosing);
        return false;
    }
    return true;
}

bool CRunContext::CheckInSession(RETURNED_RES result, int errorText)
{
    if (result != RES_ERROR && result != RES_STOPPED && (result == RES_REPEAT || m_bridge.IsStopped()))
        m_calls.CompleteSession();
    return Check(result, errorText);
}

void CRunContext::Fail(int errorText, BoxOrder order)
{
    m_outcome.store(RunOutcome::Error);
    if (order == BoxOrder::AfterClosing)
        CloseWaitDialog();
    CUiPort::Get().MessageBox(0, BrandingText(errorText), BrandingText(kTextAppName), MB_OK);
    if (order == BoxOrder::BeforeClosing)
        CloseWaitDialog();
}

void CRunContext::CloseWaitDialog()
{
    PostMessage(m_window, WM_CLOSE_WAIT_DIALOG, 0, 0);
}

void CRunContext::CloseAndTell(const std::u16string& text, RunOutcome outcome)
{
    m_outcome.store(outcome);
    CloseWaitDialog();
    CUiPort::Get().MessageBox(m_view, text, BrandingText(kTextOperationEnd), MB_OK);
}

void CRunContext::CloseWith(RunOutcome outcome)
{
    m_outcome.store(outcome);
    CloseWaitDialog();
}

void CRunContext::EndWithoutKeys()
{
    m_outcome.store(RunOutcome::Error);
    CloseWaitDialog();
}
