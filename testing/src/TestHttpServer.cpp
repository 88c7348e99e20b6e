#include "testing/TestHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

constexpr std::size_t kMaxHead = 1024 * 1024;
constexpr std::size_t kMaxBody = 64 * 1024 * 1024;

bool SendAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string ReasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

struct CTestHttpServer::Impl {
    int listenFd = -1;
    int port = 0;
    std::thread acceptThread;

    mutable std::mutex mutex;
    mutable std::condition_variable arrived;
    bool stopping = false;
    std::deque<ScriptedReply> replies;
    std::vector<RecordedRequest> requests;
    std::vector<int> connectionFds;
    std::vector<std::thread> connectionThreads;
    int accepted = 0;

    void AcceptLoop()
    {
        for (;;) {
            const int fd = ::accept(listenFd, nullptr, nullptr);
            std::lock_guard lock(mutex);
            if (stopping) {
                if (fd >= 0)
                    ::close(fd);
                return;
            }
            if (fd < 0)
                continue;
            const int number = ++accepted;
            connectionFds.push_back(fd);
            connectionThreads.emplace_back([this, fd, number] { Serve(fd, number); });
        }
    }

    // Reads one request from the connection; false when the peer closed or sent nonsense.
    static bool ReadRequest(int fd, std::string& buffer, RecordedRequest& request)
    {
        std::size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (buffer.size() > kMaxHead || !Receive(fd, buffer))
                return false;
        }
        std::string_view head(buffer.data(), headEnd);
        std::size_t lineEnd = head.find("\r\n");
        const std::string_view requestLine = head.substr(0, lineEnd);
        const std::size_t firstBlank = requestLine.find(' ');
        const std::size_t secondBlank = requestLine.find(' ', firstBlank + 1);
        if (firstBlank == std::string_view::npos || secondBlank == std::string_view::npos)
            return false;
        request.method = std::string(requestLine.substr(0, firstBlank));
        request.target = std::string(requestLine.substr(firstBlank + 1, secondBlank - firstBlank - 1));
        while (lineEnd != std::string_view::npos) {
            const std::size_t next = head.find("\r\n", lineEnd + 2);
            request.headerLines.emplace_back(head.substr(lineEnd + 2, next == std::string_view::npos
                                                                          ? std::string_view::npos
                                                                          : next - lineEnd - 2));
            lineEnd = next;
        }
        std::size_t length = 0;
        if (const auto value = request.Header("Content-Length")) {
            const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), length);
            if (error != std::errc() || end != value->data() + value->size() || length > kMaxBody)
                return false;
        }
        const std::size_t bodyStart = headEnd + 4;
        while (buffer.size() < bodyStart + length) {
            if (!Receive(fd, buffer))
                return false;
        }
        request.body = buffer.substr(bodyStart, length);
        buffer.erase(0, bodyStart + length);
        return true;
    }

    static bool Receive(int fd, std::string& buffer)
    {
        char chunk[16384];
        const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0)
            return false;
        buffer.append(chunk, static_cast<std::size_t>(got));
        return true;
    }

    static std::string Render(const ScriptedReply& reply, bool& closeAfter)
    {
        std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + ReasonPhrase(reply.status) + "\r\n";
        for (const auto& [name, value] : reply.headers)
            out += name + ": " + value + "\r\n";
        closeAfter = reply.close || reply.omitContentLength;
        if (!reply.omitContentLength) {
            const std::uint64_t announced = reply.announcedLength.value_or(reply.body.size());
            out += "Content-Length: " + std::to_string(announced) + "\r\n";
            if (announced != reply.body.size())
                closeAfter = true;
        }
        if (closeAfter)
            out += "Connection: close\r\n";
        out += "\r\n";
        out += reply.body;
        if (reply.cutAfter && *reply.cutAfter < out.size()) {
            out.resize(*reply.cutAfter);
            closeAfter = true;
        }
        return out;
    }

    void Serve(int fd, int number)
    {
        std::string buffer;
        for (;;) {
            RecordedRequest request;
            if (!ReadRequest(fd, buffer, request))
                break;
            request.connection = number;
            ScriptedReply reply;
            {
                std::lock_guard lock(mutex);
                if (replies.empty()) {
                    reply.status = 500;
                    reply.body = "no scripted reply";
                } else {
                    reply = std::move(replies.front());
                    replies.pop_front();
                }
                requests.push_back(std::move(request));
            }
            arrived.notify_all();
            bool closeAfter = false;
            if (!SendAll(fd, Render(reply, closeAfter)) || closeAfter)
                break;
        }
        ::shutdown(fd, SHUT_RDWR);
    }
};

CTestHttpServer::CTestHttpServer()
    : m_impl(std::make_unique<Impl>())
{
    m_impl->listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (m_impl->listenFd < 0 || ::bind(m_impl->listenFd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(m_impl->listenFd, 16) != 0 ||
        ::getsockname(m_impl->listenFd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return;
    m_impl->port = ntohs(address.sin_port);
    m_impl->acceptThread = std::thread([impl = m_impl.get()] { impl->AcceptLoop(); });
}

CTestHttpServer::~CTestHttpServer()
{
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->stopping = true;
        for (int fd : m_impl->connectionFds)
            ::shutdown(fd, SHUT_RDWR);
    }
    if (m_impl->listenFd >= 0)
        ::shutdown(m_impl->listenFd, SHUT_RDWR);
    if (m_impl->acceptThread.joinable())
        m_impl->acceptThread.join();
    {
        std::lock_guard lock(m_impl->mutex);
        threads.swap(m_impl->connectionThreads);
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int fd : m_impl->connectionFds)
        ::close(fd);
    if (m_impl->listenFd >= 0)
        ::close(m_impl->listenFd);
}

int CTestHttpServer::Port() const
{
    return m_impl->port;
}

std::string CTestHttpServer::Url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(m_impl->port) + std::string(path);
}

void CTestHttpServer::Queue(ScriptedReply reply)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->replies.push_back(std::move(reply));
}

void CTestHttpServer::Queue200(std::vector<std::pair<std::string, std::string>> headers, std::string body)
{
    ScriptedReply reply;
    reply.headers = std::move(headers);
    reply.body = std::move(body);
    Queue(std::move(reply));
}

std::vector<RecordedRequest> CTestHttpServer::Requests() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->requests;
}

int CTestHttpServer::AcceptedConnections() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->accepted;
}

bool CTestHttpServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_impl->mutex);
    return m_impl->arrived.wait_for(lock, timeout, [&] { return m_impl->requests.size() >= count; });
}
