#include "RefServerProcess.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr auto kStartWatchdog = std::chrono::seconds(15);
constexpr auto kStopWatchdog = std::chrono::seconds(10);

std::filesystem::path MakeTemporaryFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "lumeno-refserver-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return {};
    return pattern;
}

// Waits for the process to end within `limit`; true (status in `status`) when it did.
bool WaitForExit(pid_t pid, std::chrono::milliseconds limit, int& status)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

std::filesystem::path CRefServerProcess::DefaultProgram()
{
    return LUMENO_REFSERVER_PROGRAM;
}

CRefServerProcess::CRefServerProcess(std::filesystem::path program)
    : m_program(std::move(program)), m_folder(MakeTemporaryFolder())
{}

CRefServerProcess::~CRefServerProcess()
{
    Stop();
    std::error_code ignored;
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder, ignored);
}

bool CRefServerProcess::Start(std::vector<std::string> arguments)
{
    m_arguments = std::move(arguments);
    m_tls = Argument("--cert", "") != "";
    return Launch(m_arguments);
}

bool CRefServerProcess::Restart()
{
    Stop();
    std::vector<std::string> arguments = m_arguments;
    // Later options win, so the server comes back where its clients expect it.
    arguments.insert(arguments.end(),
                     {"--port", std::to_string(m_httpPort), "--admin-port", std::to_string(m_adminPort)});
    return Launch(arguments);
}

bool CRefServerProcess::Launch(const std::vector<std::string>& arguments)
{
    m_error.clear();
    if (m_folder.empty()) {
        m_error = "no temporary folder could be made";
        return false;
    }
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        m_error = "pipe failed";
        return false;
    }
    std::vector<std::string> words = {m_program.string(), "--data", DataFolder().string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const std::string logPath = (m_folder / "server.log").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    const int spawned = ::posix_spawn(&m_pid, m_program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    m_output = pipeEnds[0];
    if (spawned != 0) {
        m_pid = -1;
        ::close(m_output);
        m_output = -1;
        m_error = "cannot run " + m_program.string();
        return false;
    }
    if (ReadPorts())
        return true;
    Stop();
    m_error += "\n--- server log ---\n" + Log();
    return false;
}

bool CRefServerProcess::ReadPorts()
{
    m_httpPort = 0;
    m_adminPort = 0;
    std::string output;
    const auto deadline = std::chrono::steady_clock::now() + kStartWatchdog;
    while (m_httpPort == 0 || m_adminPort == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            m_error = "the server did not report its ports within 15 s";
            return false;
        }
        pollfd waiting{m_output, POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[512];
        const ssize_t got = ::read(m_output, buffer, sizeof buffer);
        if (got <= 0) {
            m_error = "the server ended before it listened";
            return false;
        }
        output.append(buffer, static_cast<std::size_t>(got));
        std::istringstream lines(output);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string listening, kind, address;
            int port = 0;
            if (!(words >> listening >> kind >> address >> port) || listening != "listening")
                continue;
            (kind == "admin" ? m_adminPort : m_httpPort) = port;
        }
    }
    return true;
}

bool CRefServerProcess::Stop()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    ::kill(m_pid, SIGTERM);
    bool clean = WaitForExit(m_pid, kStopWatchdog, status);
    if (!clean) {
        ::kill(m_pid, SIGKILL);
        WaitForExit(m_pid, kStopWatchdog, status);
    }
    clean = clean && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    m_pid = -1;
    if (m_output >= 0)
        ::close(m_output);
    m_output = -1;
    return clean;
}

std::string CRefServerProcess::Argument(std::string_view name, std::string_view fallback) const
{
    std::string value(fallback);
    for (std::size_t i = 0; i + 1 < m_arguments.size(); ++i) {
        if (m_arguments[i] == name)
            value = m_arguments[i + 1];
    }
    return value;
}

std::string CRefServerProcess::BaseUrl() const
{
    return std::string(m_tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_httpPort);
}

std::string CRefServerProcess::ServerUrl() const
{
    return BaseUrl() + Argument("--path", "/sync/serv");
}

std::string CRefServerProcess::SmsGatewayUrl() const
{
    return BaseUrl() + Argument("--sms-path", "/sms-gateway");
}

std::string CRefServerProcess::AdminUrl() const
{
    return "http://127.0.0.1:" + std::to_string(m_adminPort);
}

std::string CRefServerProcess::Log() const
{
    std::ifstream file(m_folder / "server.log");
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}
