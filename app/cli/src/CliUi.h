#pragma once
// lumeno-cli's front end: the application's user interface as terminal lines and prompts.
//
// The main thread is the user-interface thread; it runs the pump loop, the view and every dialog.
// Message boxes may come from a runner's thread too (the service asks before it sends the
// registration SMS); they are prompts like the rest. The progress bar is the terminal's status line.
// Ctrl-C stops the wait dialog, cancels a prompt, or else ends the program; SIGTERM ends the program
// (stopping a running operation first).

#include "Terminal.h"
#include "core/AppUi.h"
#include "platform/QueueLoop.h"
#include "platform/UiPort.h"

#include <atomic>
#include <vector>

class CTesselView;

class CCliUi final : public CAppUi, public CUiPort {
public:
    // How questions are answered: asked on the terminal (or read from standard input), or all
    // with yes/OK/Next, or all with no/Cancel.
    enum class Answers : std::uint8_t { Ask, Yes, No };
    // Interactive: the list and the menu, and message boxes wait for Enter. Command: one request,
    // then the program ends. Watch: no menu; what runs is told line by line.
    enum class Mode : std::uint8_t { Interactive, Command, Watch };

    // How the files list of an Upload or Download is answered without asking: every file ticked
    // (`all`), or the files whose names match one of the shell patterns (case ignored).
    struct FileChoice {
        bool all = false;
        std::vector<std::string> patterns;
        bool IsSet() const { return all || !patterns.empty(); }
    };

    CCliUi(Mode mode, Answers answers, FileChoice fileChoice);

    CTerminal& Terminal() { return m_terminal; }
    void Print(std::u16string_view text);

    // Runs the modes over a view whose application has started.
    void RunInteractive(CTesselView& view);
    void RunWatch(CTesselView& view, std::uint16_t pushPort);
    // Runs one request to its end.
    void RunRequest(CTesselView& view, int request);
    // Runs what has been posted (and what that posts) until nothing is left.
    void RunPosted();

    bool IsClosed() const { return m_closed; }
    // The user ended the program (the exit key, the end of input, Ctrl-C while idle, SIGTERM), rather
    // than the application after a failure.
    bool EndedByUser() const { return m_endedByUser; }
    // How the last request ended.
    RunOutcome LastOutcome() const { return m_lastOutcome; }

    // CAppUi
    CQueueLoop& Loop() override { return m_loop; }
    void ShowMainWindow(std::u16string_view title) override;
    void RequestStarted(int request) override;
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
    void SetWaitCursor(bool) override {}
    void CloseMainWindow() override { m_closed = true; }

    // CUiPort
    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type) override;

private:
    void OnSignal(int signal);
    // True when prompts are to be answered without asking: by the command line, or because the
    // program is ending.
    bool AnswersFixed() const;
    void PrintMenu();
    void EndByUser(CTesselView& view);
    void HandleMenuLine(CTesselView& view, const std::string& line);
    void RunStorageDialog(CSynchronization& dialog);
    void PrintFilesList(const CFilesListDlg& dialog);
    void TickChosenFiles(CFilesListDlg& dialog);
    // One line of the files list's prompt.
    void HandleFilesListLine(CFilesListDlg& dialog, const std::string& line);
    void PrintDetails(std::u16string_view details);

    const Mode m_mode;
    const Answers m_answers;
    const FileChoice m_fileChoice;
    CQueueLoop m_loop;
    CTerminal m_terminal;
    CWaitDlg* m_waitDialog = nullptr;
    std::vector<OperationRow> m_rows;
    bool m_settingsEnabled = false;
    bool m_listShown = false; // since the last menu line
    bool m_closed = false;
    std::atomic<bool> m_exitRequested{false};
    bool m_endedByUser = false;
    RunOutcome m_lastOutcome = RunOutcome::NotRun;
};
