#pragma once
// lumeno's user interface: the application's screens as Qt widgets over the models of the core, and
// the message boxes of the platform's UI port as Qt message boxes.
//
// Made and used on the user-interface thread, the one that runs Qt's loop. Message boxes may be
// asked for from a runner's thread as well: they are sent to the user-interface thread, and the
// runner waits for the answer (the headless answer when the program ends first). The main window's
// close button ends the program once no operation runs; while one runs it stops it first.

#include "core/AppUi.h"
#include "platform/UiPort.h"

#include <memory>

class CMainWindow;
class CQtEventLoop;
class CTesselView;
class CWaitWindow;
class QWidget;

class CQtUi final : public CAppUi, public CUiPort, private CWindowTarget {
public:
    explicit CQtUi(CQtEventLoop& loop);
    ~CQtUi() override;
    CQtUi(const CQtUi&) = delete;
    CQtUi& operator=(const CQtUi&) = delete;

    // Makes the main window for the view, whose commands it passes on; once the application has
    // started (the service's work area gives the size of the list's rows).
    void Attach(CTesselView& view);
    CMainWindow& MainWindow() { return *m_window; }
    // The open wait dialog's window, or nullptr.
    CWaitWindow* WaitWindow() { return m_waitWindow.get(); }
    bool IsClosed() const { return m_closed; }

    // CAppUi
    CEventLoop& Loop() override;
    void ShowMainWindow(std::u16string_view title) override;
    void RequestStarted(int) override {}
    void RequestEnded(int request, RunOutcome outcome) override;
    void ShowOperationList(std::span<const OperationRow> rows, bool settingsEnabled) override;
    void WaitDialogOpened(CWaitDlg& dialog) override;
    void WaitDialogChanged(const CWaitDlg& dialog) override;
    void WaitDialogClosed() override;
    void RunGenericDialog(GenericDlg& dialog) override;
    bool RunWizard(CWizard& wizard) override;
    bool RunSettingsDialog(CSynchronization& dialog) override;
    bool RunFilesList(CFilesListDlg& dialog) override;
    void ShowTextViewer(std::u16string_view title, std::u16string_view body) override;
    void ShowAbout(std::u16string_view text) override;
    void SetWaitCursor(bool shown) override;
    void CloseMainWindow() override;

    // CUiPort
    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type) override;

private:
    LRESULT OnMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;
    // Where a dialog opens: over the dialog on top, else over the main window.
    QWidget* DialogParent() const;
    void OnCommand(int command);
    bool OnCloseRequest();

    CQtEventLoop& m_loop;
    HWND m_boxWindow;
    CTesselView* m_view = nullptr;
    std::unique_ptr<CMainWindow> m_window;
    std::unique_ptr<CWaitWindow> m_waitWindow;
    bool m_closed = false;
    bool m_exitWhenIdle = false;
};
