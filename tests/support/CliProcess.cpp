#include "CliProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

std::string LumenoCliProgram()
{
    return LUMENO_CLI_PROGRAM;
}

std::string LumenoPimProgram()
{
    return LUMENO_PIM_PROGRAM;
}

std::string LumenoSmsProgram()
{
    return LUMENO_SMS_PROGRAM;
}

CCliProcess::~CCliProcess()
{
    if (m_pid > 0)
        Wait(std::chrono::milliseconds(0));
}

bool CCliProcess::Start(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment, const std::string& input)
{
    int inputPipe[2];
    int outputPipe[2];
    if (pipe2(inputPipe, O_CLOEXEC) != 0 || pipe2(outputPipe, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inputPipe[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outputPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outputPipe[1], STDERR_FILENO);

    std::vector<std::string> words = {m_program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    // The given variables replace inherited ones of the same name.
    std::vector<std::string> variables = environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view inherited(*entry);
        const std::string_view name = inherited.substr(0, inherited.find('=') + 1);
        bool replaced = false;
        for (const std::string& given : environment)
            replaced = replaced || given.starts_with(name);
        if (!replaced)
            variables.emplace_back(inherited);
    }
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    const int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(inputPipe[0]);
    close(outputPipe[1]);
    if (spawned != 0) {
        m_pid = -1;
        close(inputPipe[1]);
        close(outputPipe[0]);
        return false;
    }
    // Small enough for the pipe's buffer: written whole, then the end of input.
    if (write(inputPipe[1], input.data(), input.size()) != static_cast<ssize_t>(input.size()))
        m_output = "(standard input could not be written)\n";
    close(inputPipe[1]);
    m_reader = std::thread([this, fd = outputPipe[0]] {
        char buffer[4096];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            std::lock_guard lock(m_mutex);
            m_output.append(buffer, static_cast<std::size_t>(got));
            m_changed.notify_all();
        }
        close(fd);
    });
    return true;
}

bool CCliProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return m_output.find(text) != std::string::npos; });
}

void CCliProcess::Signal(int signal)
{
    if (m_pid > 0)
        kill(m_pid, signal);
}

int CCliProcess::Wait(std::chrono::milliseconds limit)
{
    if (m_pid <= 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid)
            break;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_pid = -1;
    if (m_reader.joinable())
        m_reader.join();
    if (status == -1 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::string CCliProcess::Output() const
{
    std::lock_guard lock(m_mutex);
    return m_output;
}

std::pair<int, std::string> CCliProcess::Run(const std::vector<std::string>& arguments,
                                             const std::vector<std::string>& environment, const std::string& input,
                                             const std::string& program)
{
    CCliProcess process(program);
    if (!process.Start(arguments, environment, input))
        return {-1, "(not started)"};
    const int status = process.Wait(std::chrono::seconds(30));
    return {status, process.Output()};
}
