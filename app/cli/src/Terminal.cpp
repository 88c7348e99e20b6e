#include "Terminal.h"

#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A line longer than this is cut: input never grows without bound.
constexpr std::size_t kMaxLine = 64 * 1024;

// Switches terminal echo off for one prompt.
class EchoOff {
public:
    EchoOff()
    {
        if (tcgetattr(STDIN_FILENO, &m_saved) != 0)
            return;
        termios quiet = m_saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        m_active = tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (m_active)
            tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios m_saved{};
    bool m_active = false;
};

} // namespace

CTerminal::CTerminal(Input input, std::function<void()> onInput, std::function<void(int)> onSignal)
    : m_interactive(input == Input::Read && isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)),
      m_onInput(std::move(onInput)), m_onSignal(std::move(onSignal)), m_ended(input == Input::Ignore)
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    m_signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    m_stopFd = eventfd(0, EFD_CLOEXEC);
    m_reader = std::thread([this] { Read(); });
}

CTerminal::~CTerminal()
{
    const std::uint64_t one = 1;
    if (write(m_stopFd, &one, sizeof one) != sizeof one)
        std::perror("lumeno-cli: stopping the input reader");
    m_reader.join();
    close(m_stopFd);
    if (m_signalFd >= 0)
        close(m_signalFd);
    ClearStatus();
}

void CTerminal::Read()
{
    std::string partial;
    bool inputOpen = !AtEndOfInput();
    for (;;) {
        pollfd fds[3] = {
            {m_stopFd, POLLIN, 0}, {m_signalFd, POLLIN, 0}, {inputOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0)
            continue;
        if (fds[0].revents)
            return;
        if (fds[1].revents & POLLIN) {
            signalfd_siginfo info{};
            if (read(m_signalFd, &info, sizeof info) == sizeof info) {
                bool cancelledPrompt = false;
                {
                    std::lock_guard lock(m_inputMutex);
                    cancelledPrompt = m_promptWaiting;
                    m_promptCancelled = m_promptWaiting;
                }
                m_inputChanged.notify_all();
                // Ctrl-C at a prompt only answers it; SIGTERM always asks the program to end.
                if (!cancelledPrompt || info.ssi_signo != SIGINT)
                    m_onSignal(static_cast<int>(info.ssi_signo));
            }
        }
        if (!inputOpen || !fds[2].revents)
            continue;
        char buffer[4096];
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        std::deque<std::string> lines;
        if (got <= 0) {
            inputOpen = false;
            if (!partial.empty())
                lines.push_back(std::move(partial));
        } else {
            for (ssize_t i = 0; i < got; ++i) {
                if (buffer[i] == '\n') {
                    if (!partial.empty() && partial.back() == '\r')
                        partial.pop_back();
                    lines.push_back(std::move(partial));
                    partial.clear();
                } else if (partial.size() < kMaxLine) {
                    partial += buffer[i];
                }
            }
        }
        {
            std::lock_guard lock(m_inputMutex);
            m_lines.insert(m_lines.end(), lines.begin(), lines.end());
            m_ended = !inputOpen;
        }
        m_inputChanged.notify_all();
        m_onInput();
    }
}

void CTerminal::WriteLocked(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void CTerminal::RedrawStatusLocked()
{
    if (m_interactive && !m_status.empty())
        WriteLocked("\r\x1b[K" + m_status);
    std::fflush(stdout);
}

void CTerminal::Print(std::string_view text)
{
    std::lock_guard lock(m_outputMutex);
    if (m_interactive && !m_status.empty())
        WriteLocked("\r\x1b[K");
    WriteLocked(text);
    WriteLocked("\n");
    RedrawStatusLocked();
}

void CTerminal::PrintError(std::string_view text)
{
    std::lock_guard lock(m_outputMutex);
    if (m_interactive && !m_status.empty())
        WriteLocked("\r\x1b[K");
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    RedrawStatusLocked();
}

void CTerminal::SetStatus(const std::string& line, const std::string& key)
{
    std::lock_guard lock(m_outputMutex);
    m_status = line;
    if (m_interactive) {
        RedrawStatusLocked();
        return;
    }
    if (key == m_statusKey)
        return;
    m_statusKey = key;
    WriteLocked(line + "\n");
    std::fflush(stdout);
}

void CTerminal::ClearStatus()
{
    std::lock_guard lock(m_outputMutex);
    if (m_interactive && !m_status.empty())
        WriteLocked("\r\x1b[K");
    m_status.clear();
    m_statusKey.clear();
    std::fflush(stdout);
}

std::optional<std::string> CTerminal::Prompt(std::string_view prompt, Echo echo)
{
    std::lock_guard promptLock(m_promptMutex);
    {
        std::lock_guard lock(m_outputMutex);
        if (m_interactive && !m_status.empty())
            WriteLocked("\r\x1b[K");
        WriteLocked(prompt);
        std::fflush(stdout);
    }
    std::optional<EchoOff> quiet;
    if (echo == Echo::Off && m_interactive)
        quiet.emplace();
    std::optional<std::string> line;
    {
        std::unique_lock lock(m_inputMutex);
        m_promptWaiting = true;
        m_promptCancelled = false;
        m_inputChanged.wait(lock, [this] { return !m_lines.empty() || m_ended || m_promptCancelled; });
        m_promptWaiting = false;
        if (!m_promptCancelled && !m_lines.empty()) {
            line = std::move(m_lines.front());
            m_lines.pop_front();
        }
    }
    quiet.reset();
    std::lock_guard lock(m_outputMutex);
    // Without a terminal nobody echoes the answer: show it, so that a transcript reads whole. A
    // terminal echoed it already, unless echo was off.
    if (!line)
        WriteLocked(" (no answer)\n");
    else if (echo == Echo::Off)
        WriteLocked(std::string(line->size(), '*') + "\n");
    else if (!m_interactive)
        WriteLocked(*line + "\n");
    RedrawStatusLocked();
    return line;
}

bool CTerminal::HasLine() const
{
    std::lock_guard lock(m_inputMutex);
    return !m_lines.empty();
}

bool CTerminal::AtEndOfInput() const
{
    std::lock_guard lock(m_inputMutex);
    return m_lines.empty() && m_ended;
}

std::optional<std::string> CTerminal::TakeLine()
{
    std::lock_guard lock(m_inputMutex);
    if (m_lines.empty())
        return std::nullopt;
    std::string line = std::move(m_lines.front());
    m_lines.pop_front();
    return line;
}
