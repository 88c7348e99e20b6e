#include "platform/UdpSocket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace {

struct Resolved {
    sockaddr_storage address{};
    socklen_t size = 0;
    int family = 0;
};

void SetError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
}

std::optional<Resolved> Resolve(std::string_view host, std::uint16_t port, bool passive, std::string* error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = passive ? AI_PASSIVE : 0;
    addrinfo* list = nullptr;
    const std::string name(host);
    const std::string service = std::to_string(port);
    const int rc = ::getaddrinfo(name.c_str(), service.c_str(), &hints, &list);
    if (rc != 0 || !list) {
        SetError(error, "address \"" + name + "\" does not resolve: " + ::gai_strerror(rc));
        return std::nullopt;
    }
    Resolved resolved;
    std::memcpy(&resolved.address, list->ai_addr, list->ai_addrlen);
    resolved.size = list->ai_addrlen;
    resolved.family = list->ai_family;
    ::freeaddrinfo(list);
    return resolved;
}

std::string NumericHost(const sockaddr_storage& address, std::uint16_t& port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    return text;
}

std::string ErrnoText(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

CUdpSocket::~CUdpSocket()
{
    Close();
}

CUdpSocket::CUdpSocket(CUdpSocket&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_family(std::exchange(other.m_family, 0))
{}

CUdpSocket& CUdpSocket::operator=(CUdpSocket&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_family = std::exchange(other.m_family, 0);
    }
    return *this;
}

bool CUdpSocket::Bind(std::string_view address, std::uint16_t port, std::string* error)
{
    Close();
    const std::optional<Resolved> resolved = Resolve(address, port, true, error);
    if (!resolved)
        return false;
    const int fd = ::socket(resolved->family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetError(error, ErrnoText("socket"));
        return false;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&resolved->address), resolved->size) != 0) {
        SetError(error,
                 ErrnoText(("bind to " + std::string(address) + " port " + std::to_string(port)).c_str()));
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_family = resolved->family;
    return true;
}

std::uint16_t CUdpSocket::LocalPort() const
{
    if (m_fd < 0)
        return 0;
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return 0;
    std::uint16_t port = 0;
    NumericHost(address, port);
    return port;
}

void CUdpSocket::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_family = 0;
}

bool CUdpSocket::SendTo(std::string_view address, std::uint16_t port, std::string_view bytes,
                        std::string* error)
{
    const std::optional<Resolved> resolved = Resolve(address, port, false, error);
    if (!resolved)
        return false;
    if (m_fd < 0) {
        m_fd = ::socket(resolved->family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0) {
            SetError(error, ErrnoText("socket"));
            return false;
        }
        m_family = resolved->family;
    }
    CUdpSocket temporary;
    int fd = m_fd;
    if (m_family != resolved->family) {
        temporary.m_fd = ::socket(resolved->family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (temporary.m_fd < 0) {
            SetError(error, ErrnoText("socket"));
            return false;
        }
        fd = temporary.m_fd;
    }
    const ssize_t sent = ::sendto(fd, bytes.data(), bytes.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&resolved->address), resolved->size);
    if (sent < 0 || static_cast<std::size_t>(sent) != bytes.size()) {
        SetError(error,
                 ErrnoText(("send to " + std::string(address) + " port " + std::to_string(port)).c_str()));
        return false;
    }
    return true;
}

std::optional<Datagram> CUdpSocket::Receive(std::uint32_t timeoutMs, std::size_t maxBytes)
{
    if (m_fd < 0)
        return std::nullopt;
    pollfd waiting{m_fd, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&waiting, 1, static_cast<int>(std::min<std::uint32_t>(timeoutMs, 0x7FFFFFFF)));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return std::nullopt;

    std::vector<char> buffer(maxBytes + 1);
    sockaddr_storage from{};
    socklen_t size = sizeof from;
    const ssize_t received =
        ::recvfrom(m_fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (received < 0)
        return std::nullopt;
    Datagram datagram;
    datagram.bytes.assign(buffer.data(), std::min(static_cast<std::size_t>(received), maxBytes));
    datagram.fromAddress = NumericHost(from, datagram.fromPort);
    return datagram;
}
