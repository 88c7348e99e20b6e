#include "platform/LocalSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

constexpr std::uint32_t kRequestReadMs = 1000;

std::optional<sockaddr_un> AddressOf(const std::filesystem::path& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.empty() || text.size() >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return address;
}

int Connect(const sockaddr_un& address)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Waits for `events` on `fd` until `deadline`; false on time-out, error or signal.
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() < 0)
        return false;
    pollfd entry{fd, events, 0};
    return ::poll(&entry, 1, static_cast<int>(left.count())) == 1;
}

bool SendAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Reads until `complete(text)` or the peer closes; false on time-out or when more than `limit` bytes came.
bool ReadUntil(int fd, std::string& text, std::size_t limit, std::chrono::steady_clock::time_point deadline,
               bool (*complete)(const std::string&))
{
    char buffer[1024];
    while (!complete(text)) {
        if (!WaitFor(fd, POLLIN, deadline))
            return false;
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > limit)
            return false;
    }
    return true;
}

} // namespace

CLocalServer::~CLocalServer()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    std::error_code error;
    std::filesystem::remove(m_path, error);
}

bool CLocalServer::Listen(const std::filesystem::path& path, std::string& error)
{
    const std::optional<sockaddr_un> address = AddressOf(path);
    if (!address) {
        error = "the socket path " + path.string() + " is too long";
        return false;
    }
    if (const int live = Connect(*address); live >= 0) {
        ::close(live);
        error = "another server already answers at " + path.string();
        return false;
    }
    std::error_code removeError;
    std::filesystem::remove(path, removeError);
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // Only the owner may connect: the file is created private (umask), then made so for certain.
    const mode_t oldMask = ::umask(0077);
    const bool bound = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0;
    ::umask(oldMask);
    if (!bound || ::chmod(path.c_str(), 0600) != 0 || ::listen(m_fd, 8) != 0) {
        error = "cannot listen at " + path.string() + ": " + std::strerror(errno);
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_path = path;
    return true;
}

bool CLocalServer::ServeOne(std::uint32_t timeoutMs,
                            const std::function<std::string(std::string_view request)>& answer)
{
    if (m_fd < 0 || !WaitFor(m_fd, POLLIN, std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)))
        return false;
    const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return false;
    std::string request;
    const bool read = ReadUntil(client, request, kMaxLocalRequest,
                                std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestReadMs),
                                [](const std::string& text) { return text.find('\n') != std::string::npos; });
    const std::size_t end = request.find('\n');
    if (read && end != std::string::npos)
        SendAll(client, answer(std::string_view(request).substr(0, end)));
    ::close(client);
    return read && end != std::string::npos;
}

std::optional<std::string> LocalRequest(const std::filesystem::path& path, std::string_view request,
                                        std::uint32_t timeoutMs)
{
    const std::optional<sockaddr_un> address = AddressOf(path);
    const int fd = address ? Connect(*address) : -1;
    if (fd < 0)
        return std::nullopt;
    std::string reply;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const bool answered = SendAll(fd, std::string(request) + "\n") &&
                          ReadUntil(fd, reply, 1 << 20, deadline, [](const std::string&) { return false; });
    ::close(fd);
    if (!answered)
        return std::nullopt;
    return reply;
}
