// The view's dispatcher: a request from the list, a push, the sync check or the view itself becomes a
// runner inside the session bracket (log, data connection, server connection, wait dialog), followed
// by the registration follow-ups, the closing of the session and the rebuilt list or the program's end.

#include "core/CTesselView.h"

#include "core/CWaitDlg.h"
#include "core/CWizard.h"
#include "core/DataRunners.h"
#include "core/FileRunners.h"
#include "core/ShortRunners.h"
#include "platform/UiPort.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/CLog_File.h"
#include "service/CReg_Api.h"
#include "service/Messages.h"
#include "service/UI_Sync.h"

#include <atomic>
#include <thread>

void CTesselView::OnOperationRequest(int request, const std::uint32_t* pushCommand)
{
    if (m_shutDown)
        return;
    // Only a message that was already queued can come while an operation runs (its wait dialog
    // runs the thread's messages): it waits its turn instead of disturbing the running one.
    if (m_busy) {
        m_queuedRequest = request;
        return;
    }
    m_exitAfterRun = false;
    m_pushInitiated = false;
    m_lastOutcome = RunOutcome::NotRun;
    m_ui.RequestStarted(request);
    Dispatch(request, pushCommand);
    m_ui.RequestEnded(request, m_lastOutcome);
}

void CTesselView::Dispatch(int request, const std::uint32_t* pushCommand)
{
    if (request == REQ_REFRESH && m_settingsDialogOpen) {
        // The settings dialog is open: its values must not be overwritten under it.
        RunSession(request, nullptr);
        return;
    }
    if (request == REQ_PUSH_COMMAND) {
        m_pushInitiated = true;
        const std::uint32_t command = pushCommand ? *pushCommand : ~0u;
        if (command == CIR_WIPEOUT) {
            Wipeout();
            return;
        }
        if (command == CIR_RETRIEVE_SETTINGS && m_settingsDialogOpen) {
            RunSession(request, nullptr);
            return;
        }
    }
    if (request == REQ_ROW_TAPPED || request == REQ_ROW_ACTIVATED) {
        if (m_selectedRow < 0)
            return;
        if (!AskFirst(m_rows[static_cast<std::size_t>(m_selectedRow)].operation))
            return;
    }
    if (const RunnerProc runner = RunnerForRequest(request, pushCommand))
        RunSession(request, runner);
}

bool CTesselView::AskFirst(OperationCode operation)
{
    int question = 0;
    if (operation == OP_SYNC)
        question = kTextSyncQuestion;
    else if (operation == OP_RESTORE)
        question = kTextRestoreQuestion;
    if (question == 0)
        return true;
    return CUiPort::Get().MessageBox(m_handle, BrandingText(question), BrandingText(kTextQuestionCaption),
                                     MB_YESNO) == IDYES;
}

// Null when the request starts nothing (an unknown code or push command).
RunnerProc CTesselView::RunnerForRequest(int request, const std::uint32_t* pushCommand)
{
    switch (request) {
    case REQ_ROW_TAPPED:
    case REQ_ROW_ACTIVATED:
        return RunnerForOperation(m_rows[static_cast<std::size_t>(m_selectedRow)].operation);
    case REQ_STORE_SETTINGS:
        return SettingsUploadRunner;
    case REQ_REFRESH:
        return RefreshRunner;
    case REQ_PUSH_COMMAND:
        switch (pushCommand ? *pushCommand : ~0u) {
        case CIR_SYNC:
            return RunnerForOperation(OP_SYNC);
        case CIR_BACKUP:
            return RunnerForOperation(OP_BACKUP);
        case CIR_RESTORE:
            return RunnerForOperation(OP_RESTORE);
        case CIR_RETRIEVE_SETTINGS:
            return RefreshRunner;
        default:
            return nullptr;
        }
    case REQ_SCHEDULED_SYNC:
        return RunnerForOperation(OP_SYNC);
    case REQ_IDENTIFY:
        return IdentifyRunner;
    case REQ_REGISTER:
        return RegisterRunner;
    default:
        return nullptr;
    }
}

RunnerProc CTesselView::RunnerForOperation(OperationCode operation)
{
    switch (operation) {
    case OP_SYNC:
        return SyncRunner;
    case OP_CALENDAR_SYNC:
        return CalendarSyncRunner;
    case OP_UPLOAD:
        return UploadRunner;
    case OP_DOWNLOAD:
        return DownloadRunner;
    case OP_BACKUP:
        return BackupRunner;
    case OP_RESTORE:
        return RestoreRunner;
    }
    return nullptr;
}

// The Wipeout push: every kind of user data on the handset is deleted, at once and without a server.
// The summary tells it afterwards: the operation, its time and what was deleted.
void CTesselView::Wipeout()
{
    m_ui.SetWaitCursor(true);
    m_service->SummaryEmptyAll();
    WriteTransactionStart(*m_service, kWipeoutTransaction);
    m_calls.AppointmentsDeleteAll();
    m_calls.TaskDeleteAll();
    m_calls.ContactsDeleteAll();
    m_calls.FilesDeleteAll();
    m_calls.SmsDeleteAll();
    WriteTransactionSuccess(*m_service);
    m_ui.SetWaitCursor(false);
    m_lastOutcome = RunOutcome::Ok;
}

void CTesselView::RunSession(int request, RunnerProc runner)
{
    m_busy = true;
    CLog_File::InitFile();
    const HCONNECTION connection = m_calls.OpenGPRSConnection();
    if (connection == kNoConnection) {
        m_lastOutcome = RunOutcome::Error;
        CUiPort::Get().MessageBox(m_handle, BrandingText(kTextNoDataConnection), BrandingText(kTextAppName),
                                  MB_OK);
        CLog_File::CloseFile();
        BecomeIdle();
        return;
    }
    if (m_calls.ConnectServer() == 0) {
        m_lastOutcome = RunOutcome::Error;
        CUiPort::Get().MessageBox(m_handle, BrandingText(kTextConnectionFailed), BrandingText(kTextAppName),
                                  MB_OK);
        m_calls.CloseGPRSConnection(connection);
        CLog_File::CloseFile();
        ShutDown();
        return;
    }
    m_service->SummaryEmptyAll();
    UI_Sync::GetInstanceUISync()->SetStop(false);

    m_lastOutcome = RunOutcome::Ok;
    if (runner) {
        m_lastOutcome = RunWithWaitDialog(runner);
        if (request == REQ_REGISTER || request == REQ_IDENTIFY)
            RegistrationFollowUps(request);
    }

    m_calls.DisconnectServer();
    m_calls.CloseGPRSConnection(connection);
    CLog_File::CloseFile();
    if (m_exitAfterRun) {
        ShutDown();
        return;
    }
    BuildOperationList();
    BecomeIdle();
}

RunOutcome CTesselView::RunWithWaitDialog(RunnerProc runner)
{
    CWaitDlg dialog(m_ui);
    CRunContext context(m_ui, m_calls, m_handle, dialog.Handle(), m_pushInitiated);
    std::atomic<bool> finished{false};
    CEventLoop& loop = m_ui.Loop();
    std::thread worker([&] {
        runner(context);
        finished.store(true);
        loop.Post([] {});
    });
    dialog.RunModal();
    // The runner may still be ending, for example showing a message after it closed the dialog;
    // the thread's messages keep running meanwhile, as message boxes of other front ends need them.
    loop.RunUntil([&] { return finished.load(); });
    worker.join();
    if (context.ExitAfterRun())
        m_exitAfterRun = true;
    return context.Outcome();
}

// After registration or identification: the wizard, the upload of what it changed, and the offer to
// synchronise at once. Without keys and settings the program cannot work and ends. When the service
// already ended the operation (RES_STOPPED) the program ends without them: a wizard and a sync offer
// would only be cut short by the shut-down.
void CTesselView::RegistrationFollowUps(int request)
{
    if (m_exitAfterRun)
        return;
    if (request == REQ_REGISTER) {
        m_settingsStore->Set(&_SETTINGS_DEF::Retry_Number, 0);
        m_settingsStore->SaveSettings();
    }
    if (!m_settingsStore->HasKeys() || m_settingsStore->Get(&_SETTINGS_DEF::SettingsRettrived) == 0) {
        m_exitAfterRun = true;
        if (m_lastOutcome == RunOutcome::Ok)
            m_lastOutcome = RunOutcome::Error;
        return;
    }
    CWizard wizard(m_settingsStore->Snapshot());
    if (!m_ui.RunWizard(wizard)) {
        CUiPort::Get().MessageBox(m_handle, BrandingText(kTextSetupCancelled), BrandingText(kTextAppName),
                                  MB_OK);
        return;
    }
    if (m_settingsStore->WithSettings([&](_SETTINGS_DEF& settings) { return wizard.Apply(settings); })) {
        m_settingsStore->SaveSettings();
        const RunOutcome uploaded = RunWithWaitDialog(SettingsUploadRunner);
        if (uploaded != RunOutcome::Ok)
            m_lastOutcome = uploaded;
    }
    if (CUiPort::Get().MessageBox(m_handle, BrandingText(kTextSyncNow), BrandingText(kTextAppName),
                                  MB_OKCANCEL) == IDCANCEL)
        return;
    if (const RunnerProc sync = RunnerForOperation(OP_SYNC)) {
        const RunOutcome synced = RunWithWaitDialog(sync);
        if (synced != RunOutcome::Ok)
            m_lastOutcome = synced;
    }
}

void CTesselView::BecomeIdle()
{
    m_busy = false;
    if (m_queuedRequest == -1)
        return;
    const int request = m_queuedRequest;
    m_queuedRequest = -1;
    PostMessage(m_handle, WM_OPERATION_REQUEST, static_cast<WPARAM>(request),
                reinterpret_cast<LPARAM>(&m_queuedPush.command));
}
