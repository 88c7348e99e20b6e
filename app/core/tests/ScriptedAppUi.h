#pragma once
// The front end as the tests of the application logic play it: the test's thread is the
// user-interface thread, running a CQueueLoop; every dialog is answered by a script, and everything
// shown is recorded. Modal loops have a watchdog, so a dialog that never closes fails the test.

#include "core/AppUi.h"
#include "core/CFilesListDlg.h"
#include "core/CSynchronization.h"
#include "core/CWaitDlg.h"
#include "core/CWizard.h"
#include "core/GenericDlg.h"
#include "platform/QueueLoop.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

// The test's loop: a modal loop that has not ended within 20 s of real time fails the test.
class CWatchdogLoop final : public CQueueLoop {
public:
    using CQueueLoop::RunUntil;
    void RunUntil(const std::function<bool()>& done) override;
};

class CScriptedAppUi final : public CAppUi {
public:
    struct Progress {
        std::u16string text;
        int position;
    };
    struct Viewer {
        std::u16string title;
        std::u16string body;
    };

    // Runs every message queued so far, and those they queue, until none is left.
    void RunPending();

    // Scripts; by default the generic dialog is answered with the right key, the wizard with Next
    // and the settings dialog with Cancel.
    std::function<void(GenericDlg&)> genericDialog = [](GenericDlg& dialog) { dialog.PressRight(); };
    std::function<bool(CWizard&)> wizard = [](CWizard&) { return true; };
    std::function<bool(CSynchronization&)> settingsDialog = [](CSynchronization&) { return false; };
    // The files list is cancelled unless the script closes it otherwise.
    std::function<void(CFilesListDlg&)> filesList = [](CFilesListDlg& dialog) { dialog.PressCancel(); };
    // Called after each change of the wait dialog, which it may stop.
    std::function<void(CWaitDlg&)> onProgress;

    // Records.
    std::vector<std::vector<OperationRow>> lists;
    bool settingsEnabled = false;
    int waitDialogs = 0;
    std::vector<Progress> progress;
    int wizards = 0;
    int filesLists = 0;
    std::vector<Viewer> viewers;
    std::u16string about;
    std::vector<int> started;
    std::vector<std::pair<int, RunOutcome>> ended;
    bool mainWindowClosed = false;

    CWatchdogLoop& Loop() override { return m_loop; }
    void ShowMainWindow(std::u16string_view) override {}
    void RequestStarted(int request) override { started.push_back(request); }
    void RequestEnded(int request, RunOutcome outcome) override { ended.emplace_back(request, outcome); }
    void ShowOperationList(std::span<const OperationRow> rows, bool enabled) override;
    void WaitDialogOpened(CWaitDlg& dialog) override;
    void WaitDialogChanged(const CWaitDlg& dialog) override;
    void WaitDialogClosed() override { m_dialog = nullptr; }
    void RunGenericDialog(GenericDlg& dialog) override;
    bool RunWizard(CWizard& dialog) override;
    bool RunSettingsDialog(CSynchronization& dialog) override { return settingsDialog(dialog); }
    bool RunFilesList(CFilesListDlg& dialog) override
    {
        ++filesLists;
        filesList(dialog);
        return dialog.GetState() == CFilesListDlg::State::Done;
    }
    void ShowTextViewer(std::u16string_view title, std::u16string_view body) override;
    void ShowAbout(std::u16string_view text) override { about = text; }
    void SetWaitCursor(bool) override {}
    void CloseMainWindow() override { mainWindowClosed = true; }

private:
    CWatchdogLoop m_loop;
    CWaitDlg* m_dialog = nullptr;
};
