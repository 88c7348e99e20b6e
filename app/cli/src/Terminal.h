#pragma once
// The terminal of lumeno-cli: one status line (the progress bar) kept below what is printed, lines
// read from standard input, and the interrupt keys.
//
// A thread of its own reads standard input into a queue of lines and takes SIGINT and SIGTERM (which
// main blocks in every thread before any starts), so that the user-interface thread can wait for
// messages and input at once. Output and prompts are thread-safe: a runner's message box and the
// progress bar never mix on a line.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

class CTerminal {
public:
    enum class Echo : std::uint8_t { On, Off };
    // Ignore: standard input is never read (a program left running in the background must not be
    // stopped for reading its terminal); every prompt finds the end of input.
    enum class Input : std::uint8_t { Read, Ignore };

    // `onInput` runs on the reader thread whenever a line arrives or input ends; `onSignal` when
    // SIGTERM arrives, or SIGINT while no prompt waits (Ctrl-C at a prompt only cancels it).
    CTerminal(Input input, std::function<void()> onInput, std::function<void(int)> onSignal);
    ~CTerminal();
    CTerminal(const CTerminal&) = delete;
    CTerminal& operator=(const CTerminal&) = delete;

    bool IsInteractive() const { return m_interactive; }

    // Prints whole lines (a final line break is added), keeping the status line below them.
    void Print(std::string_view text);
    // The same on standard error, for what went wrong.
    void PrintError(std::string_view text);
    // Shows `line` as the status line: redrawn in place on a terminal; elsewhere printed as a line of
    // its own, only when `key` (what the line says apart from the moving numbers) changed.
    void SetStatus(const std::string& line, const std::string& key);
    void ClearStatus();

    // Prints `prompt` and waits for a line. Nothing at the end of input, or when an interrupt
    // cancelled the prompt. One prompt at a time; any thread.
    std::optional<std::string> Prompt(std::string_view prompt, Echo echo = Echo::On);

    // Menu input of the user-interface thread: whether a line waits, and taking it.
    bool HasLine() const;
    bool AtEndOfInput() const;
    std::optional<std::string> TakeLine();

private:
    void Read();
    void WriteLocked(std::string_view text);
    void RedrawStatusLocked();

    const bool m_interactive;
    const std::function<void()> m_onInput;
    const std::function<void(int)> m_onSignal;

    std::mutex m_outputMutex;
    std::string m_status;
    std::string m_statusKey;

    std::mutex m_promptMutex; // one prompt at a time
    mutable std::mutex m_inputMutex;
    std::condition_variable m_inputChanged;
    std::deque<std::string> m_lines;
    bool m_ended = false;
    bool m_promptWaiting = false;
    bool m_promptCancelled = false;

    int m_signalFd = -1;
    int m_stopFd = -1;
    std::thread m_reader;
};
