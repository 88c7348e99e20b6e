#include "core/CTesselView.h"

#include "core/AppTexts.h"
#include "core/CSynchronization.h"
#include "core/CWaitDlg.h"
#include "core/CWizard.h"
#include "core/GenericDlg.h"
#include "core/InfoTexts.h"
#include "core/ShortRunners.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/UiPort.h"
#include "service/CBrandingGuide.h"
#include "service/CLog_File.h"
#include "service/CReg_Api.h"
#include "service/Messages.h"
#include "service/UI_Sync.h"
#include "utils/Utf.h"

#include <atomic>
#include <thread>

namespace {

enum Text : int {
    kSyncQuestionText = 47,
    kRestoreQuestionText = 48,
    kConnectionFailedText = 68,
    kNoDataConnectionText = 69,
    kSetupCancelledText = 187,
    kSyncNowText = 188,
};

// The settings that enable an operation or the settings dialog; all off while there are no keys.
constexpr std::int32_t _SETTINGS_DEF::*kEnablingSettings[] = {
    &_SETTINGS_DEF::Enable_Settings,       &_SETTINGS_DEF::Enable_Sync,
    &_SETTINGS_DEF::Enable_SyncCalendar,   &_SETTINGS_DEF::Enable_Backup,
    &_SETTINGS_DEF::Enable_Restore,        &_SETTINGS_DEF::Enable_ManualUpload,
    &_SETTINGS_DEF::Enable_ManualDownload,
};

constexpr std::u16string_view kSummaryKey = u"Software\\Orvane\\Summary";

// A 32-bit summary value as the registry holds it; nothing when missing or not four bytes long.
std::optional<std::uint32_t> ReadTimeHalf(const CRegKey& key, std::u16string_view name)
{
    RegValue value;
    if (key.QueryValue(name, value) != RegStatus::Ok || value.data.size() != 4)
        return std::nullopt;
    return static_cast<std::uint32_t>(value.data[0]) | static_cast<std::uint32_t>(value.data[1]) << 8 |
           static_cast<std::uint32_t>(value.data[2]) << 16 | static_cast<std::uint32_t>(value.data[3]) << 24;
}

} // namespace

CTesselView::CTesselView(CAppUi& ui, CServiceCalls& calls)
    : m_ui(ui), m_calls(calls), m_service(TesselService::InitService()),
      m_settingsStore(CReg_Api::GetInstanceReg()), m_settings(m_settingsStore->GetSettingsInstance())
{
    m_handle = RegisterWindow(*this, ui.Pump());
    m_service->PrepareGenericDialog(m_handle);
    // The service asks this window to show the server's dialogs.
    m_service->m_appWindow.store(m_handle);
}

CTesselView::~CTesselView()
{
    UnregisterWindow(m_handle);
    if (m_syncCheckTimer != 0)
        m_ui.Timers().Stop(m_syncCheckTimer);
    if (!m_shutDown)
        m_service->m_appWindow.store(0);
}

void CTesselView::InitialUpdate()
{
    m_busy = false;
    m_queuedRequest = -1;
    PeriodicSyncCheck();
    m_syncCheckTimer = m_ui.Timers().Start(kSyncCheckPeriodMs, [this] { PeriodicSyncCheck(); });

    if (!m_settingsStore->HasKeys())
        PostMessage(m_handle, WM_OPERATION_REQUEST, REQ_REGISTER, 0);
    else if (m_settingsStore->Get(&_SETTINGS_DEF::SettingsRettrived) != 0)
        BuildOperationList();
    else
        PostMessage(m_handle, WM_OPERATION_REQUEST, REQ_IDENTIFY, 0);
}

void CTesselView::BuildOperationList()
{
    if (m_shutDown)
        return;
    m_rows.clear();
    m_selectedRow = -1;
    if (!m_settingsStore->HasKeys()) {
        for (std::int32_t _SETTINGS_DEF::*setting : kEnablingSettings)
            m_settingsStore->Set(setting, 0);
        m_settingsStore->SaveSettings();
        m_ui.ShowOperationList(m_rows, false);
        PostMessage(m_handle, WM_OPERATION_REQUEST, REQ_REGISTER, 0);
        return;
    }
    m_rows = BuildOperationRows(*m_settings, *m_service);
    m_ui.ShowOperationList(m_rows, m_settingsStore->Get(&_SETTINGS_DEF::Enable_Settings) != 0);
}

void CTesselView::PeriodicSyncCheck()
{
    if (m_shutDown || !m_settingsStore->HasKeys())
        return;
    const std::int32_t period = m_settingsStore->Get(&_SETTINGS_DEF::Sync_Period);
    if (period <= 0) {
        if (period < 0)
            CLog_File::AddLogLine(u"sync check: \"Sync-Period\" is " + Utf8ToUtf16(std::to_string(period)) +
                                  u", so no scheduled sync");
        return;
    }
    CRegKey summary;
    std::optional<std::uint32_t> low;
    std::optional<std::uint32_t> high;
    if (CRegistry::CreateKey(RegRoot::CurrentUser, kSummaryKey, summary) == RegStatus::Ok) {
        low = ReadTimeHalf(summary, u"sync_time_low");
        high = ReadTimeHalf(summary, u"sync_time_high");
    }
    // Without a readable time of the last sync the handset counts as never synchronised.
    if (!low || !high) {
        QueueRequest(REQ_SCHEDULED_SYNC, nullptr);
        return;
    }
    const std::uint64_t lastSync = static_cast<std::uint64_t>(*high) << 32 | *low;
    // Signed, so that a last sync "in the future" (the clock was set back) is not due.
    const auto elapsed = static_cast<std::int64_t>(CClock::Get().UtcNow() - lastSync);
    if (elapsed >= period * kDayInFileTime)
        QueueRequest(REQ_SCHEDULED_SYNC, nullptr);
}

void CTesselView::QueueRequest(int request, const CIR_INFO* push)
{
    m_queuedRequest = request;
    if (push)
        m_queuedPush = *push;
    if (m_busy || m_shutDown)
        return;
    m_queuedRequest = -1;
    PostMessage(m_handle, WM_OPERATION_REQUEST, static_cast<WPARAM>(request),
                reinterpret_cast<LPARAM>(&m_queuedPush.command));
}

void CTesselView::OnPush()
{
    if (m_shutDown)
        return;
    CIR_INFO info{};
    if (m_calls.ProcessMessageCIR(info) != 0)
        QueueRequest(REQ_PUSH_COMMAND, &info);
    else if (info.command == CIR_KEY && !m_busy)
        PostMessage(m_handle, WM_OPERATION_REQUEST, REQ_IDENTIFY, 0);
}

void CTesselView::OnServerDialog()
{
    if (m_shutDown)
        return;
    GenericDlg dialog(m_service->m_dialog);
    m_ui.RunGenericDialog(dialog);
    m_service->m_dialogAnswered->Set();
}

void CTesselView::SelectRow(int row)
{
    m_selectedRow = row >= 0 && row < static_cast<int>(m_rows.size()) ? row : -1;
}

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
            ShowNotBuilt(u"Deleting all data on the phone (Wipeout)");
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
        question = kSyncQuestionText;
    else if (operation == OP_RESTORE)
        question = kRestoreQuestionText;
    if (question == 0)
        return true;
    return CUiPort::Get().MessageBox(m_handle, BrandingText(question), BrandingText(kQuestionCaptionText),
                                     MB_YESNO) == IDYES;
}

// Null when the request starts nothing (an unknown code or push command, or an operation that is
// not built yet, which has said so).
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

// The data operations come with the issues that build their flows; until then each says so.
RunnerProc CTesselView::RunnerForOperation(OperationCode operation)
{
    ShowNotBuilt(BrandingText(OperationTable()[static_cast<std::size_t>(operation)].titleText));
    return nullptr;
}

void CTesselView::ShowNotBuilt(std::u16string_view what)
{
    m_lastOutcome = RunOutcome::Error;
    CUiPort::Get().MessageBox(m_handle,
                              std::u16string(what) + u" is not built yet in this version of Lumeno.",
                              BrandingText(kAppNameText), MB_OK);
}

void CTesselView::RunSession(int request, RunnerProc runner)
{
    m_busy = true;
    CLog_File::InitFile();
    const HCONNECTION connection = m_calls.OpenGPRSConnection();
    if (connection == kNoConnection) {
        m_lastOutcome = RunOutcome::Error;
        CUiPort::Get().MessageBox(m_handle, BrandingText(kNoDataConnectionText), BrandingText(kAppNameText),
                                  MB_OK);
        CLog_File::CloseFile();
        BecomeIdle();
        return;
    }
    if (m_calls.ConnectServer() == 0) {
        m_lastOutcome = RunOutcome::Error;
        CUiPort::Get().MessageBox(m_handle, BrandingText(kConnectionFailedText), BrandingText(kAppNameText),
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
    CRunContext context(m_calls, dialog.Handle(), m_pushInitiated);
    std::atomic<bool> finished{false};
    CMessagePump& pump = m_ui.Pump();
    std::thread worker([&] {
        runner(context);
        finished.store(true);
        pump.Post([] {});
    });
    dialog.RunModal();
    // The runner may still be ending, for example showing a message after it closed the dialog;
    // the thread's messages keep running meanwhile, as message boxes of other front ends need them.
    m_ui.RunModalLoop([&] { return finished.load(); });
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
    CWizard wizard(*m_settings);
    if (!m_ui.RunWizard(wizard)) {
        CUiPort::Get().MessageBox(m_handle, BrandingText(kSetupCancelledText), BrandingText(kAppNameText),
                                  MB_OK);
        return;
    }
    if (wizard.Apply(*m_settings)) {
        m_settingsStore->SaveSettings();
        const RunOutcome uploaded = RunWithWaitDialog(SettingsUploadRunner);
        if (uploaded != RunOutcome::Ok)
            m_lastOutcome = uploaded;
    }
    if (CUiPort::Get().MessageBox(m_handle, BrandingText(kSyncNowText), BrandingText(kAppNameText),
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

void CTesselView::OnSettings()
{
    if (m_shutDown || m_busy || m_settingsStore->Get(&_SETTINGS_DEF::Enable_Settings) == 0)
        return;
    m_settingsStore->UpdateRegistry();
    m_settingsDialogOpen = true;
    CSynchronization dialog(*m_settings);
    const bool accepted = m_ui.RunSettingsDialog(dialog);
    m_settingsDialogOpen = false;
    if (accepted && dialog.Apply(*m_settings)) {
        m_settingsStore->SaveSettings();
        PostMessage(m_handle, WM_OPERATION_REQUEST, REQ_STORE_SETTINGS, 0);
    }
}

void CTesselView::OnSummary()
{
    if (!m_shutDown)
        m_ui.ShowTextViewer(BrandingText(kSummaryTitleText), SummaryText(*m_service));
}

void CTesselView::OnHelp()
{
    m_ui.ShowTextViewer(BrandingText(kHelpTitleText), BrandingText(kHelpText));
}

void CTesselView::OnAbout()
{
    m_ui.ShowAbout(AboutText(ProgramPath()));
}

void CTesselView::OnExit()
{
    if (!m_shutDown)
        ShutDown();
}

void CTesselView::ShutDown()
{
    m_shutDown = true;
    m_busy = false;
    if (m_syncCheckTimer != 0) {
        m_ui.Timers().Stop(m_syncCheckTimer);
        m_syncCheckTimer = 0;
    }
    m_service->m_appWindow.store(0);
    // The service releases the settings, log, branding and bridge it holds; the calls after it find
    // nothing left and are kept for the order the program ends in.
    TesselService::ReleaseService();
    CReg_Api::Release();
    CLog_File::Release();
    CBrandingGuide::Release();
    m_service = nullptr;
    m_settingsStore = nullptr;
    m_settings = nullptr;
    m_ui.CloseMainWindow();
}

LRESULT CTesselView::OnMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_OPERATION_REQUEST:
        OnOperationRequest(static_cast<int>(wParam), reinterpret_cast<const std::uint32_t*>(lParam));
        return 0;
    case WM_PUSH:
        OnPush();
        return 0;
    case WM_SHOW_SERVER_DIALOG:
        OnServerDialog();
        return 0;
    default:
        return 0;
    }
}
