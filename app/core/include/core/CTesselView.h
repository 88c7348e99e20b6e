#pragma once
// The view: all application logic of the main window. It shows the operations the settings enable,
// receives operation requests (from the user, from push notifications and from its own periodic
// sync check), runs each in a session bracket (log, data connection, server connection, runner
// thread, wait dialog, follow-ups, closing) and then rebuilds the list or ends the program.
//
// A window on the user-interface thread's pump; every method runs on that thread. `busy`, the queued
// request and the queued push are touched only there. One operation runs at a time: a request that
// comes while one runs waits in a one-slot queue (the latest wins) until the session has closed.
// After the shut-down sequence the view does nothing more: the service object is gone.

#include "core/AppUi.h"
#include "core/Operations.h"
#include "core/RunContext.h"
#include "core/ServiceCalls.h"
#include "service/TesselService.h"

#include <vector>

class CReg_Api;

class CTesselView final : public CWindowTarget {
public:
    static constexpr std::uint32_t kSyncCheckPeriodMs = 300000;

    CTesselView(CAppUi& ui, CServiceCalls& calls);
    ~CTesselView() override;
    CTesselView(const CTesselView&) = delete;
    CTesselView& operator=(const CTesselView&) = delete;

    HWND Handle() const { return m_handle; }

    // The initial update: the periodic sync check now and every five minutes, then the first
    // request: registration without keys, identification without retrieved settings, else the list.
    void InitialUpdate();

    // WM_OPERATION_REQUEST: runs request `request` to its end. `pushCommand` points to the queued
    // push's command code for request 12788.
    void OnOperationRequest(int request, const std::uint32_t* pushCommand);
    // WM_PUSH: reads the push port and queues what the push asks for.
    void OnPush();
    // WM_SHOW_SERVER_DIALOG: runs the server's dialog, then lets the waiting flow go on.
    void OnServerDialog();

    // Shows the enabled operations; without keys it disables every operation and asks for
    // registration instead.
    void BuildOperationList();
    // Queues a Sync (request 12798) when the sync period has passed since the last Sync.
    void PeriodicSyncCheck();
    // Posts the request now when idle, else keeps it (and the push) until the running one ends.
    void QueueRequest(int request, const CIR_INFO* push);

    // The main list and menu.
    const std::vector<OperationRow>& Rows() const { return m_rows; }
    // -1 selects nothing; out-of-range rows too.
    void SelectRow(int row);
    void OnSettings();
    void OnSummary();
    void OnHelp();
    void OnAbout();
    // The exit key: the shut-down sequence.
    void OnExit();

    bool IsBusy() const { return m_busy; }
    bool HasShutDown() const { return m_shutDown; }
    // How the last request ended.
    RunOutcome LastOutcome() const { return m_lastOutcome; }

    LRESULT OnMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;

private:
    void Dispatch(int request, const std::uint32_t* pushCommand);
    RunnerProc RunnerForRequest(int request, const std::uint32_t* pushCommand);
    RunnerProc RunnerForOperation(OperationCode operation);
    bool AskFirst(OperationCode operation);
    void RunSession(int request, RunnerProc runner);
    RunOutcome RunWithWaitDialog(RunnerProc runner);
    void RegistrationFollowUps(int request);
    void BecomeIdle();
    void Wipeout();
    void ShutDown();

    CAppUi& m_ui;
    CServiceCalls& m_calls;
    TesselService* m_service;
    CReg_Api* m_settingsStore;
    HWND m_handle = 0;
    CEventLoop::TimerId m_syncCheckTimer = 0;

    std::vector<OperationRow> m_rows;
    int m_selectedRow = -1;
    bool m_settingsDialogOpen = false;
    bool m_exitAfterRun = false;
    bool m_pushInitiated = false;
    bool m_shutDown = false;
    RunOutcome m_lastOutcome = RunOutcome::NotRun;

    bool m_busy = false;
    int m_queuedRequest = -1;
    CIR_INFO m_queuedPush{};
};
