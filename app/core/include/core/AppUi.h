#pragma once
// What the application logic needs from the front end on screen, beyond the message boxes of the
// platform's CUiPort (which the front end installs as well): the main list, the modal wait dialog,
// the server-defined dialog, the wizard, the settings dialogs, the files list, the text viewer and the
// About box, and the user-interface thread's event loop.
//
// The terminal front end implements it with prompts, the Qt front end with widgets, the tests with a
// script. Every call comes on the user-interface thread, the one that runs Loop(). The dialogs'
// behaviour lives in their models (core/); the front end only shows them and passes the user's
// actions to them.

#include "core/Operations.h"
#include "core/RunContext.h"
#include "platform/EventLoop.h"

#include <functional>
#include <span>
#include <string_view>

class CFilesListDlg;
class CWaitDlg;
class GenericDlg;
class CWizard;
class CSynchronization;

class CAppUi {
public:
    virtual ~CAppUi() = default;

    // The user-interface thread's event loop: the windows of the application register on it, the
    // view's timer runs on it, and modal dialogs run nested loops of it.
    virtual CEventLoop& Loop() = 0;

    // Start-up: the main window opens with this title.
    virtual void ShowMainWindow(std::u16string_view title) = 0;
    // The view took request `request` (RequestCode) and is about to run it; it ended with `outcome`
    // (also when it started nothing). Front ends may tell the user what runs and how it ended.
    virtual void RequestStarted(int request) = 0;
    virtual void RequestEnded(int request, RunOutcome outcome) = 0;

    // The operation list was rebuilt; `settingsEnabled` enables the menu's Settings command.
    virtual void ShowOperationList(std::span<const OperationRow> rows, bool settingsEnabled) = 0;

    // The wait dialog opened, changed its text or position, or closed. It stays open while the
    // application runs a modal loop; the front end sends the user's Stop to CWaitDlg::Stop.
    virtual void WaitDialogOpened(CWaitDlg& dialog) = 0;
    virtual void WaitDialogChanged(const CWaitDlg& dialog) = 0;
    virtual void WaitDialogClosed() = 0;

    // Modal dialogs: each returns once the model says it is closed.
    virtual void RunGenericDialog(GenericDlg& dialog) = 0;
    // True for Next, false for Cancel.
    virtual bool RunWizard(CWizard& wizard) = 0;
    // True for OK, false for Cancel.
    virtual bool RunSettingsDialog(CSynchronization& dialog) = 0;
    // The files list of an Upload or Download, over the open wait dialog: returns once the model's
    // state is Done (true) or Cancelled (false).
    virtual bool RunFilesList(CFilesListDlg& dialog) = 0;
    virtual void ShowTextViewer(std::u16string_view title, std::u16string_view body) = 0;
    virtual void ShowAbout(std::u16string_view text) = 0;

    virtual void SetWaitCursor(bool shown) = 0;
    // The shut-down sequence ran: close the main window, which ends the program.
    virtual void CloseMainWindow() = 0;
};
