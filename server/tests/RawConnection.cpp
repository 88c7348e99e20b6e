#include "RawConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>

namespace {

sockaddr_in Loopback(const std::string& address, int port)
{
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, address.c_str(), &endpoint.sin_addr);
    return endpoint;
}

} // namespace

CRawConnection::CRawConnection(int port, const std::string& source)
{
    m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_socket < 0)
        return;
    const sockaddr_in from = Loopback(source, 0);
    const sockaddr_in to = Loopback("127.0.0.1", port);
    if ((!source.empty() && ::bind(m_socket, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0) ||
        ::connect(m_socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        ::close(m_socket);
        m_socket = -1;
    }
}

CRawConnection::~CRawConnection()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

bool CRawConnection::Send(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t sent = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

long CRawConnection::ReadBefore(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd entry{m_socket, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0)
        return -1;
    char buffer[16384];
    const ssize_t count = ::recv(m_socket, buffer, sizeof buffer, 0);
    if (count > 0)
        m_received.append(buffer, static_cast<std::size_t>(count));
    return count;
}

HandsetAnswer CRawConnection::Receive(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    HandsetAnswer answer;
    std::size_t headEnd = std::string::npos;
    while ((headEnd = m_received.find("\r\n\r\n")) == std::string::npos) {
        if (ReadBefore(deadline) <= 0)
            return answer;
    }
    const std::string head = m_received.substr(0, headEnd + 2);
    std::size_t lineEnd = head.find("\r\n");
    const std::string statusLine = head.substr(0, lineEnd);
    const std::size_t blank = statusLine.find(' ');
    if (blank != std::string::npos)
        std::from_chars(statusLine.data() + blank + 1, statusLine.data() + statusLine.size(), answer.status);
    while (lineEnd + 2 < head.size()) {
        const std::size_t next = head.find("\r\n", lineEnd + 2);
        const std::string line = head.substr(lineEnd + 2, next - lineEnd - 2);
        const std::size_t colon = line.find(':');
        const std::size_t value = std::min(line.find_first_not_of(' ', colon + 1), line.size());
        if (colon != std::string::npos)
            answer.headers.emplace_back(line.substr(0, colon), line.substr(value));
        lineEnd = next;
    }
    std::size_t length = 0;
    const std::string lengthText = answer.Header("Content-Length").value_or("0");
    std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), length);
    while (m_received.size() < headEnd + 4 + length) {
        if (ReadBefore(deadline) <= 0)
            break;
    }
    answer.body = m_received.substr(headEnd + 4, length);
    m_received.erase(0, std::min(m_received.size(), headEnd + 4 + length));
    return answer;
}

bool CRawConnection::ClosedWithin(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    long count = 0;
    while ((count = ReadBefore(deadline)) > 0) {
    }
    return count == 0;
}

std::string RequestHead(std::string_view requestLine, const HeaderList& fields)
{
    std::string head = std::string(requestLine) + "\r\n";
    for (const auto& [name, value] : fields)
        head += name + ": " + value + "\r\n";
    return head + "\r\n";
}
