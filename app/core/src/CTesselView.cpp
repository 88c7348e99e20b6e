#include "core/CTesselView.h"

#include "core/CSynchronization.h"
#include "core/GenericDlg.h"
#include "core/InfoTexts.h"
#include "platform/Clock.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/CLog_File.h"
#include "service/CReg_Api.h"
#include "service/Messages.h"
#include "utils/Time.h"
#include "utils/Utf.h"

namespace {

// The settings that enable an operation or the settings dialog; all off while there are no keys.
constexpr std::int32_t _SETTINGS_DEF::*kEnablingSettings[] = {
    &_SETTINGS_DEF::Enable_Settings,       &_SETTINGS_DEF::Enable_Sync,
    &_SETTINGS_DEF::Enable_SyncCalendar,   &_SETTINGS_DEF::Enable_Backup,
    &_SETTINGS_DEF::Enable_Restore,        &_SETTINGS_DEF::Enable_ManualUpload,
    &_SETTINGS_DEF::Enable_ManualDownload,
};

} // namespace

CTesselView::CTesselView(CAppUi& ui, CServiceCalls& calls)
    : m_ui(ui), m_calls(calls), m_service(TesselService::InitService()),
      m_settingsStore(CReg_Api::GetInstanceReg())
{
    m_handle = RegisterWindow(*this, ui.Loop());
    m_service->PrepareGenericDialog(m_handle);
    // The service asks this window to show the server's dialogs.
    m_service->m_appWindow.store(m_handle);
}

CTesselView::~CTesselView()
{
    UnregisterWindow(m_handle);
    if (m_syncCheckTimer != 0)
        m_ui.Loop().StopTimer(m_syncCheckTimer);
    if (!m_shutDown)
        m_service->m_appWindow.store(0);
}

void CTesselView::InitialUpdate()
{
    m_busy = false;
    m_queuedRequest = -1;
    PeriodicSyncCheck();
    m_syncCheckTimer = m_ui.Loop().StartTimer(kSyncCheckPeriodMs, [this] { PeriodicSyncCheck(); });

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
    m_rows = BuildOperationRows(m_settingsStore->Snapshot(), *m_service);
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
    // Without a readable time of the last sync the handset counts as never synchronised.
    const std::optional<std::uint64_t> lastSync = m_service->SummaryTime(u"sync_time_low", u"sync_time_high");
    if (!lastSync) {
        QueueRequest(REQ_SCHEDULED_SYNC, nullptr);
        return;
    }
    if (IsSyncDue(CClock::Get().UtcNow(), *lastSync, static_cast<std::uint32_t>(period)))
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

void CTesselView::OnSettings()
{
    if (m_shutDown || m_busy || m_settingsStore->Get(&_SETTINGS_DEF::Enable_Settings) == 0)
        return;
    m_settingsStore->UpdateRegistry();
    m_settingsDialogOpen = true;
    CSynchronization dialog(m_settingsStore->Snapshot());
    const bool accepted = m_ui.RunSettingsDialog(dialog);
    m_settingsDialogOpen = false;
    if (accepted && m_settingsStore->WithSettings([&](_SETTINGS_DEF& settings) { return dialog.Apply(settings); })) {
        m_settingsStore->SaveSettings();
        PostMessage(m_handle, WM_OPERATION_REQUEST, REQ_STORE_SETTINGS, 0);
    }
}

void CTesselView::OnSummary()
{
    if (!m_shutDown)
        m_ui.ShowTextViewer(BrandingText(kTextViewSummary), SummaryText(*m_service));
}

void CTesselView::OnHelp()
{
    m_ui.ShowTextViewer(BrandingText(kTextHelp), BrandingText(kTextHelpBody));
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
        m_ui.Loop().StopTimer(m_syncCheckTimer);
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
