#include "http/GuardedConnection.h"

#include "ServerLog.h"

#include <httplib.h>

#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

// Bytes asked of the connection at once.
constexpr std::size_t kReadChunk = 16 * 1024;
// After a refusal the connection stays open this long at most, and while the peer keeps sending, so that
// a peer still writing the refused request reads the answer instead of losing it to a reset.
constexpr std::chrono::milliseconds kLingerTime{1000};
constexpr std::chrono::milliseconds kLingerQuiet{250};

const char* ReasonPhrase(int status)
{
    switch (status) {
    case 408:
        return "Request Timeout";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 415:
        return "Unsupported Media Type";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Bad Request";
    }
}

// "address", port of either end of a connected socket; empty and -1 when unknown.
void Endpoint(int socket, bool peer, std::string& address, int& port)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    auto* raw = reinterpret_cast<sockaddr*>(&storage);
    address.clear();
    port = -1;
    if ((peer ? ::getpeername(socket, raw, &length) : ::getsockname(socket, raw, &length)) != 0)
        return;
    char host[NI_MAXHOST];
    char service[NI_MAXSERV];
    if (::getnameinfo(raw, length, host, sizeof host, service, sizeof service,
                      NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return;
    address = host;
    port = std::atoi(service);
}

// One request at a time of a connection, as the HTTP library reads it: the head gathered by ReadHead,
// then at most the announced body, then the end of input until the next request starts.
class CRequestStream final : public httplib::Stream {
public:
    CRequestStream(CByteChannel& channel, const ConnectionLimits& limits)
        : m_channel(channel), m_limits(limits), m_head(limits.head)
    {}

    // Whether a request starts within the idle time (false also when the peer closed or the server stops).
    bool AwaitRequest() { return Buffered() > 0 || m_channel.WaitReadable(Clock::now() + m_limits.idleTime); }

    // The verdict on the next request's head; nothing when the peer closed or the server stopped first.
    std::optional<HeadVerdict> ReadHead()
    {
        const Clock::time_point start = Clock::now();
        const Deadline headDeadline = start + m_limits.headTime;
        m_requestDeadline = start + m_limits.requestTime;
        m_head.Reset();
        m_headServed = 0;
        m_bodyLeft = 0;
        while (m_head.Current() == CRequestHead::State::Partial) {
            if (Buffered() == 0 && !Fill(headDeadline)) {
                if (Clock::now() < headDeadline)
                    return std::nullopt;
                HeadVerdict late;
                late.status = 408;
                late.reason = "the request head did not arrive within " +
                              std::to_string(m_limits.headTime.count()) + " ms";
                return late;
            }
            m_start += m_head.Feed(std::string_view(m_buffer).substr(m_start));
        }
        HeadVerdict verdict = m_head.Check(m_limits.maxBodyBytes);
        m_bodyLeft = verdict.bodyBytes;
        return verdict;
    }

    // Answers a head the server will not serve, and lets the rest of what the peer sends go by for a
    // moment; the connection closes after it.
    void Refuse(const HeadVerdict& verdict)
    {
        std::string peer;
        int port = 0;
        get_remote_ip_and_port(peer, port);
        ServerLog("refused a request from " + peer + ": " + std::to_string(verdict.status) + " " +
                  verdict.reason);
        const std::string body = verdict.reason + "\n";
        const std::string answer = "HTTP/1.1 " + std::to_string(verdict.status) + " " +
                                   ReasonPhrase(verdict.status) +
                                   "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                                   std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        if (!m_channel.Write(answer, Clock::now() + m_limits.writeTime))
            return;
        const Deadline end = Clock::now() + kLingerTime;
        char scratch[4096];
        while (m_channel.Read(scratch, sizeof scratch, std::min(end, Clock::now() + kLingerQuiet)) > 0) {
        }
    }

    // Drops what the library left unread of the request (a body nobody asked for), so that the next
    // request starts where it should; false when that body does not arrive in time.
    bool FinishRequest()
    {
        m_headServed = m_head.Text().size();
        char scratch[4096];
        while (m_bodyLeft > 0) {
            if (read(scratch, sizeof scratch) <= 0)
                return false;
        }
        return true;
    }

    bool is_readable() const override
    {
        if (m_headServed < m_head.Text().size())
            return true;
        return m_bodyLeft > 0 && (Buffered() > 0 || m_channel.WaitReadable(m_requestDeadline));
    }

    bool is_writable() const override { return true; }

    ssize_t read(char* data, size_t size) override
    {
        const std::string& head = m_head.Text();
        if (m_headServed < head.size()) {
            const std::size_t count = std::min(size, head.size() - m_headServed);
            std::memcpy(data, head.data() + m_headServed, count);
            m_headServed += count;
            return static_cast<ssize_t>(count);
        }
        size = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_bodyLeft));
        if (size == 0)
            return 0;
        long count = 0;
        if (Buffered() > 0) {
            count = static_cast<long>(std::min(size, Buffered()));
            std::memcpy(data, m_buffer.data() + m_start, static_cast<std::size_t>(count));
            m_start += static_cast<std::size_t>(count);
        } else {
            count = m_channel.Read(data, size, m_requestDeadline);
            if (count <= 0)
                return -1;
        }
        m_bodyLeft -= static_cast<std::uint64_t>(count);
        return count;
    }

    ssize_t write(const char* data, size_t size) override
    {
        return m_channel.Write(std::string_view(data, size), Clock::now() + m_limits.writeTime)
                   ? static_cast<ssize_t>(size)
                   : -1;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        Endpoint(m_channel.Socket(), true, ip, port);
    }

    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        Endpoint(m_channel.Socket(), false, ip, port);
    }

    int socket() const override { return m_channel.Socket(); }

private:
    std::size_t Buffered() const { return m_buffer.size() - m_start; }

    // Reads more of the connection into the buffer; false when nothing came by `deadline`.
    bool Fill(Deadline deadline)
    {
        m_buffer.erase(0, m_start);
        m_start = 0;
        const std::size_t kept = m_buffer.size();
        m_buffer.resize(kept + kReadChunk);
        const long count = m_channel.Read(m_buffer.data() + kept, kReadChunk, deadline);
        m_buffer.resize(kept + static_cast<std::size_t>(std::max(count, 0L)));
        return count > 0;
    }

    CByteChannel& m_channel;
    const ConnectionLimits& m_limits;
    CRequestHead m_head;
    std::string m_buffer; // read from the connection, not yet served from m_start on
    std::size_t m_start = 0;
    std::size_t m_headServed = 0;
    std::uint64_t m_bodyLeft = 0;
    Deadline m_requestDeadline;
};

} // namespace

void ServeConnection(CByteChannel& channel, const ConnectionLimits& limits, const RequestProcessor& process)
{
    if (!channel.Open(Clock::now() + limits.writeTime))
        return;
    CRequestStream stream(channel, limits);
    for (std::size_t served = 0; served < limits.requestsPerConnection; ++served) {
        if (!stream.AwaitRequest())
            return;
        const std::optional<HeadVerdict> verdict = stream.ReadHead();
        if (!verdict)
            return;
        if (verdict->status != 0) {
            stream.Refuse(*verdict);
            return;
        }
        bool closed = false;
        if (!process(stream, served + 1 == limits.requestsPerConnection, closed) || closed ||
            !stream.FinishRequest())
            return;
    }
}
