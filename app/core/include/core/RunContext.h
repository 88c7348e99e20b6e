#pragma once
// What a runner works with on its own thread: the service calls, the wait dialog's window, and the
// result convention shared by every step of every runner.
//
// The dispatcher creates one per runner on the user-interface thread and reads its outcome and
// exit mark after the runner's thread has ended; the runner reaches the user interface only through
// messages to the wait dialog, through message boxes, and through the files list, which it hands to
// the user-interface thread and waits for.

#include "core/ServiceCalls.h"
#include "platform/Window.h"
#include "service/Results.h"

#include <atomic>
#include <cstdint>
#include <string>

class CAppUi;
class CFilesListDlg;
class CReg_Api;
class UI_Sync;

// How a request ended, for front ends that report it (the terminal front end's exit status).
enum class RunOutcome : std::uint8_t {
    Ok,
    NotRun,        // nothing was started: no row, the user said No, an unknown request
    Error,         // an error message was shown
    Stopped,       // the user pressed Stop
    ServerStopped, // the service ended the operation (RES_STOPPED); the program ends
    ServerError,   // the server reported an error, which it has shown already
};

class CRunContext {
public:
    // `view` owns the boxes of a runner's end; `ui` shows the files list.
    CRunContext(CAppUi& ui, CServiceCalls& calls, HWND view, HWND waitDialog, bool pushInitiated);

    CServiceCalls& Calls() { return m_calls; }
    CReg_Api& Settings() { return m_settings; }
    HWND Window() const { return m_window; }
    bool PushInitiated() const { return m_pushInitiated; }

    // Sends WM_SYNC_PROGRESS with text `text` (a branding text number) and `percent`, and waits until
    // the dialog has shown it; nothing once the dialog is gone.
    void Progress(int text, std::int32_t percent);

    // The opening of a data operation's session: Progress(text 36, `percent`), StartNegotiation (error
    // text 51) and, when the server asks for the settings first, ConfigVersionFlow (error text 52).
    // False when the runner ends (the convention has run).
    bool OpenSession(std::int32_t percent);
    // Shows the files list on the user-interface thread and waits until it closes: true for Done.
    bool RunFilesList(CFilesListDlg& dialog);

    // The result convention. RES_ERROR: the step's error text in a box, the dialog closed.
    // RES_STOPPED: the dialog closed and the program marked to end after the session. The stop flag
    // or RES_SERVER_ERROR: the dialog closed, nothing shown. RES_REPEAT (the step's command was never
    // answered): as RES_ERROR. True (go on) for anything else.
    bool Check(RETURNED_RES result, int errorText);
    // The convention for a step inside the server session the runner opened: as Check, and a runner
    // that ends because of the stop flag or an unanswered command closes the session first (the only
    // request sent after a stop).
    bool CheckInSession(RETURNED_RES result, int errorText);
    // Ends the runner with an error text in a box; `order` says whether the dialog closes first.
    enum class BoxOrder : std::uint8_t { BeforeClosing, AfterClosing };
    void Fail(int errorText, BoxOrder order);
    void CloseWaitDialog();
    // Ends the runner with `text` in a box owned by the view, captioned text 24, once the dialog is
    // closed; `outcome` is how the request ended (the success message, or nothing selected).
    void CloseAndTell(const std::u16string& text, RunOutcome outcome);
    // Ends the runner without a box: the dialog closes and the request ended with `outcome`.
    void CloseWith(RunOutcome outcome);
    // Ends the runner silently because the server gave no key: the dialog closes and the request
    // counts as failed (the dispatcher then ends the program, as the handset cannot work without).
    void EndWithoutKeys();

    // Read by the dispatcher once the runner's thread has ended.
    bool ExitAfterRun() const { return m_exitAfterRun.load(); }
    RunOutcome Outcome() const { return m_outcome.load(); }

private:
    CAppUi& m_ui;
    CServiceCalls& m_calls;
    CReg_Api& m_settings;
    const HWND m_view;
    UI_Sync& m_bridge;
    const HWND m_window;
    const bool m_pushInitiated;
    std::atomic<bool> m_exitAfterRun{false};
    std::atomic<RunOutcome> m_outcome{RunOutcome::Ok};
};

// A runner: the steps of one operation, run on their own thread. It ends by closing the wait dialog;
// how it ended is told by the context's outcome.
using RunnerProc = void (*)(CRunContext& context);
