#include "CliUi.h"

#include "CliText.h"
#include "core/CFilesListDlg.h"
#include "core/CTesselView.h"
#include "core/CWaitDlg.h"
#include "core/Operations.h"
#include "platform/UiPort.h"

#include <csignal>
#include <cstdio>

namespace {

constexpr int kBarWidth = 20;

// What the user sees of a request in watch mode.
std::string DescribeRequest(int request)
{
    switch (request) {
    case REQ_ROW_TAPPED:
    case REQ_ROW_ACTIVATED:
        return "the chosen operation";
    case REQ_STORE_SETTINGS:
        return "sending the settings (store-settings)";
    case REQ_REFRESH:
        return "refreshing the settings (refresh)";
    case REQ_PUSH_COMMAND:
        return "the command of a push";
    case REQ_IDENTIFY:
        return "identification (identify)";
    case REQ_SCHEDULED_SYNC:
        return "the scheduled sync";
    case REQ_REGISTER:
        return "registration (register)";
    default:
        return "request " + std::to_string(request);
    }
}

std::string DescribeOutcome(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Ok:
        return "done";
    case RunOutcome::NotRun:
        return "nothing to do";
    case RunOutcome::Error:
        return "failed";
    case RunOutcome::Stopped:
        return "stopped";
    case RunOutcome::ServerStopped:
        return "ended by the server";
    case RunOutcome::ServerError:
        return "refused by the server";
    }
    return "ended";
}

struct Choice {
    const char* words[4];
    int answer;
};

// The answer that a line gives to a box of `type`; 0 when it is no answer.
int ParseAnswer(unsigned type, const std::string& line)
{
    static const Choice yesNo[] = {{{"y", "yes"}, IDYES}, {{"n", "no"}, IDNO}};
    static const Choice okCancel[] = {{{"o", "ok", "y", "yes"}, IDOK},
                                      {{"c", "cancel", "n", "no"}, IDCANCEL}};
    static const Choice yesNoCancel[] = {
        {{"y", "yes"}, IDYES}, {{"n", "no"}, IDNO}, {{"c", "cancel"}, IDCANCEL}};
    std::span<const Choice> choices = yesNo;
    if (type == MB_OKCANCEL)
        choices = okCancel;
    else if (type == MB_YESNOCANCEL)
        choices = yesNoCancel;
    for (const Choice& choice : choices) {
        for (const char* word : choice.words) {
            if (word && line == word)
                return choice.answer;
        }
    }
    return 0;
}

const char* AnswerHint(unsigned type)
{
    if (type == MB_OKCANCEL)
        return "(o)k / (c)ancel";
    if (type == MB_YESNOCANCEL)
        return "(y)es / (n)o / (c)ancel";
    return "(y)es / (n)o";
}

int FixedAnswer(unsigned type, bool yes)
{
    if (type == MB_OKCANCEL)
        return yes ? IDOK : IDCANCEL;
    if (type == MB_YESNOCANCEL)
        return yes ? IDYES : IDCANCEL;
    return yes ? IDYES : IDNO;
}

const char* AnswerWord(int answer)
{
    switch (answer) {
    case IDOK:
        return "ok";
    case IDYES:
        return "yes";
    case IDNO:
        return "no";
    default:
        return "cancel";
    }
}

} // namespace

CCliUi::CCliUi(Mode mode, Answers answers, FileChoice fileChoice)
    : m_mode(mode), m_answers(answers), m_fileChoice(std::move(fileChoice)),
      m_terminal(
          mode == Mode::Watch ? CTerminal::Input::Ignore : CTerminal::Input::Read,
          [this] { m_loop.Post([] {}); }, [this](int signal) { OnSignal(signal); })
{}

void CCliUi::Print(std::u16string_view text)
{
    m_terminal.Print(TerminalText(text));
}

// On the input thread: the decision is taken on the user-interface thread.
void CCliUi::OnSignal(int signal)
{
    m_loop.Post([this, signal] {
        if (m_waitDialog) {
            m_waitDialog->Stop();
            if (signal == SIGTERM)
                m_exitRequested.store(true);
            return;
        }
        m_exitRequested.store(true);
    });
}

bool CCliUi::AnswersFixed() const
{
    return m_answers != Answers::Ask || m_exitRequested.load();
}

void CCliUi::RunInteractive(CTesselView& view)
{
    for (;;) {
        // Requests already posted run before the next menu line is taken.
        while (!m_closed && m_loop.RunPending() > 0) {
        }
        if (m_closed)
            return;
        if (std::optional<std::string> line = m_terminal.TakeLine(); line && !m_exitRequested.load()) {
            HandleMenuLine(view, *line);
            continue;
        }
        if (m_exitRequested.load() || m_terminal.AtEndOfInput()) {
            EndByUser(view);
            return;
        }
        m_loop.RunUntil([this] {
            return m_closed || m_exitRequested.load() || m_terminal.HasLine() || m_terminal.AtEndOfInput();
        });
    }
}

void CCliUi::EndByUser(CTesselView& view)
{
    m_endedByUser = true;
    view.OnExit();
}

void CCliUi::HandleMenuLine(CTesselView& view, const std::string& line)
{
    m_listShown = false;
    const bool number = line.find_first_not_of("0123456789") == std::string::npos && line.size() < 3;
    if (number) {
        const int row = std::stoi(line) - 1;
        if (row < 0 || row >= static_cast<int>(m_rows.size())) {
            m_terminal.Print("There is no operation " + line + ".");
            return;
        }
        view.SelectRow(row);
        view.OnOperationRequest(REQ_ROW_ACTIVATED, nullptr);
    } else if (line.empty()) {
    } else if (line == "s" && m_settingsEnabled) {
        view.OnSettings();
    } else if (line == "v") {
        view.OnSummary();
    } else if (line == "h") {
        view.OnHelp();
    } else if (line == "a") {
        view.OnAbout();
    } else if (line == "x") {
        EndByUser(view);
        return;
    } else {
        m_terminal.Print("Unknown choice \"" + line + "\".");
    }
    // An operation that ran has shown the rebuilt list with the menu already.
    if (!m_closed && !m_listShown)
        PrintMenu();
}

void CCliUi::RunWatch(CTesselView& view, std::uint16_t pushPort)
{
    m_terminal.Print(pushPort ? "watch: pushes arrive on UDP port " + std::to_string(pushPort) +
                                    "; the sync check runs every five minutes. Ctrl-C ends."
                              : "watch: the sync check runs every five minutes (no push port). Ctrl-C ends.");
    m_loop.RunUntil([this] { return m_closed || m_exitRequested.load(); });
    if (!m_closed)
        EndByUser(view);
}

void CCliUi::RunRequest(CTesselView& view, int request)
{
    bool done = false;
    m_loop.Post([&] {
        view.OnOperationRequest(request, nullptr);
        done = true;
    });
    m_loop.RunUntil([&] { return done; });
}

void CCliUi::RunPosted()
{
    while (m_loop.RunPending() > 0) {
    }
}

void CCliUi::ShowMainWindow(std::u16string_view title)
{
    if (m_mode == Mode::Interactive)
        m_terminal.Print("== " + TerminalText(title) + " ==");
}

void CCliUi::RequestStarted(int request)
{
    if (m_mode == Mode::Watch)
        m_terminal.Print("watch: " + DescribeRequest(request));
}

void CCliUi::RequestEnded(int request, RunOutcome outcome)
{
    m_lastOutcome = outcome;
    if (m_mode == Mode::Watch)
        m_terminal.Print("watch: " + DescribeRequest(request) + ": " + DescribeOutcome(outcome));
    else if (m_mode == Mode::Command)
        m_terminal.Print(DescribeRequest(request) + ": " + DescribeOutcome(outcome));
}

void CCliUi::ShowOperationList(std::span<const OperationRow> rows, bool settingsEnabled)
{
    m_rows.assign(rows.begin(), rows.end());
    m_settingsEnabled = settingsEnabled;
    m_listShown = true;
    if (m_mode == Mode::Interactive)
        PrintMenu();
}

void CCliUi::PrintMenu()
{
    std::string menu;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        std::string title = TerminalText(m_rows[i].title);
        title.resize(std::max<std::size_t>(title.size(), 16), ' ');
        menu += "  " + std::to_string(i + 1) + "  " + title + "  " + TerminalText(m_rows[i].subtitle) + "\n";
    }
    if (m_rows.empty())
        menu += "  (no operations)\n";
    menu += std::string(m_settingsEnabled ? "  s  " + Text(kTextSettings) + "   " : "  ") + "v  " + Text(kTextViewSummary) +
            "   h  " + Text(kTextHelp) + "   a  " + Text(kTextAbout) + "   x  " + Text(kTextExit) + "\n";
    menu += "Choose a number or a letter:";
    m_terminal.Print(menu);
}

void CCliUi::WaitDialogOpened(CWaitDlg& dialog)
{
    m_waitDialog = &dialog;
    WaitDialogChanged(dialog);
}

void CCliUi::WaitDialogChanged(const CWaitDlg& dialog)
{
    const int position = dialog.Position();
    const int filled = position * kBarWidth / CWaitDlg::kFullPosition;
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d%%", position / 100);
    const std::string text = TerminalText(dialog.StatusText());
    // The bytes of the file being moved change often; only the text decides when a line is printed
    // where no status line can be redrawn.
    const std::string bytes = dialog.BytesTotal() == 0
                                  ? std::string()
                                  : "  " + Utf16ToUtf8(FileSizeText(static_cast<std::int64_t>(dialog.BytesDone()))) +
                                        " of " + Utf16ToUtf8(FileSizeText(static_cast<std::int64_t>(dialog.BytesTotal())));
    m_terminal.SetStatus("[" + std::string(static_cast<std::size_t>(filled), '#') +
                             std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] " + percent +
                             " " + text + bytes,
                         text);
}

void CCliUi::WaitDialogClosed()
{
    m_waitDialog = nullptr;
    m_terminal.ClearStatus();
}

void CCliUi::ShowTextViewer(std::u16string_view title, std::u16string_view body)
{
    m_terminal.Print("== " + TerminalText(title) + " ==\n" + TerminalText(body));
}

void CCliUi::ShowAbout(std::u16string_view text)
{
    m_terminal.Print(TerminalText(text));
}

int CCliUi::MessageBox(HWND, std::u16string_view text, std::u16string_view caption, unsigned type)
{
    const std::string message = "[" + TerminalText(caption) + "] " + TerminalText(text);
    if (type == MB_OK) {
        // Only a person at a terminal acknowledges a box.
        if (m_mode == Mode::Interactive && m_terminal.IsInteractive() && !AnswersFixed())
            m_terminal.Prompt(message + "\n  (Enter) ");
        else
            m_terminal.Print(message);
        return IDOK;
    }
    if (AnswersFixed()) {
        const int answer =
            m_exitRequested.load() ? HeadlessAnswer(type) : FixedAnswer(type, m_answers == Answers::Yes);
        m_terminal.Print(message + "\n  " + AnswerHint(type) + ": " + AnswerWord(answer) +
                         (m_exitRequested.load()      ? " (ending)"
                          : m_answers == Answers::Yes ? " (--yes)"
                                                      : " (--no)"));
        return answer;
    }
    for (;;) {
        const std::optional<std::string> line = m_terminal.Prompt(message + "\n  " + AnswerHint(type) + ": ");
        if (!line)
            return HeadlessAnswer(type);
        if (const int answer = ParseAnswer(type, *line))
            return answer;
    }
}
