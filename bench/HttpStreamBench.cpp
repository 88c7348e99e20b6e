// A 200 MiB body through the HTTP client, up and down, against a server in a child process (so the
// memory measured is the client's alone). Prints the client's peak resident memory over the run,
// which must stay under 64 MiB: the body streams through a source and a sink, never through memory.
#include "ProcessUsage.h"
#include "platform/HttpClient.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cstring>
#include <string>

namespace {

constexpr std::uint64_t kBodyBytes = 200ull << 20;
constexpr double kPeakLimitMiB = 64;

bool SendAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

// Serves one kept-alive connection: "/down" answers kBodyBytes of zeros, anything else reads the body
// (Content-Length) and answers an empty 200. Nothing is kept.
void Serve(int connection)
{
    std::array<char, 1 << 16> buffer{};
    std::string head;
    for (;;) {
        std::size_t end;
        while ((end = head.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t got = ::recv(connection, buffer.data(), buffer.size(), 0);
            if (got <= 0)
                return;
            head.append(buffer.data(), static_cast<std::size_t>(got));
        }
        std::uint64_t length = 0;
        if (const std::size_t at = head.find("Content-Length: "); at != std::string::npos && at < end)
            std::from_chars(head.data() + at + 16, head.data() + end, length);
        const bool download = head.starts_with("GET /down ");
        std::uint64_t pending = head.size() - end - 4;
        head.clear();
        while (pending < length) {
            const ssize_t got = ::recv(connection, buffer.data(), buffer.size(), 0);
            if (got <= 0)
                return;
            pending += static_cast<std::uint64_t>(got);
        }
        if (!download) {
            const char ok[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
            if (!SendAll(connection, ok, sizeof ok - 1))
                return;
            continue;
        }
        const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kBodyBytes) + "\r\n\r\n";
        if (!SendAll(connection, answer.data(), answer.size()))
            return;
        buffer.fill('\0');
        for (std::uint64_t sent = 0; sent < kBodyBytes; sent += buffer.size()) {
            if (!SendAll(connection, buffer.data(), std::min<std::uint64_t>(buffer.size(), kBodyBytes - sent)))
                return;
        }
    }
}

// The server in a child process on a free loopback port.
class CChildServer {
public:
    CChildServer()
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(listener, 4) != 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ::close(listener);
            return;
        }
        m_port = ntohs(address.sin_port);
        m_child = ::fork();
        if (m_child == 0) {
            for (;;) {
                const int connection = ::accept(listener, nullptr, nullptr);
                if (connection < 0)
                    ::_exit(0);
                Serve(connection);
                ::close(connection);
            }
        }
        ::close(listener);
    }
    ~CChildServer()
    {
        if (m_child > 0) {
            ::kill(m_child, SIGTERM);
            ::waitpid(m_child, nullptr, 0);
        }
    }
    int Port() const { return m_child > 0 ? m_port : 0; }

private:
    int m_port = 0;
    pid_t m_child = -1;
};

// A body made up as it is read: nothing of it is ever held.
class CPatternSource final : public CHttpBodySource {
public:
    std::uint64_t Size() const override { return kBodyBytes; }
    std::optional<std::size_t> Read(std::uint64_t offset, std::span<std::uint8_t> buffer) override
    {
        const std::size_t count = std::min<std::uint64_t>(buffer.size(), kBodyBytes - offset);
        std::memset(buffer.data(), static_cast<int>(offset & 0xFF), count);
        return count;
    }
};

// Counts what arrives and keeps nothing.
class CCountingSink final : public CHttpAnswerSink {
public:
    bool Begin(const HttpResponse&, std::string&) override { return true; }
    bool Write(std::uint64_t, std::span<const std::uint8_t> bytes, std::string&) override
    {
        m_bytes += bytes.size();
        return true;
    }
    std::uint64_t m_bytes = 0;
};

void BM_HttpStream200MiB(benchmark::State& state)
{
    const bool upload = state.range(0) == 0;
    CChildServer server;
    HttpUrl url;
    std::string error;
    auto client = CHttpClient::Create();
    if (server.Port() == 0 || !SplitHttpUrl("http://127.0.0.1:" + std::to_string(server.Port()), url) ||
        !client->Open(url, {}, error)) {
        state.SkipWithError("no server to talk to");
        return;
    }
    ResetPeakResident();
    for (auto _ : state) {
        CPatternSource source;
        CCountingSink sink;
        HttpTransfer transfer;
        transfer.body = upload ? &source : nullptr;
        transfer.answer = &sink;
        const HttpResponse response = client->Transfer(upload ? "POST" : "GET", upload ? "/up" : "/down", {}, transfer);
        if (response.status != 200 || !response.bodyComplete || (!upload && sink.m_bytes != kBodyBytes)) {
            state.SkipWithError(("transfer failed: " + response.error).c_str());
            return;
        }
    }
    const double peak = PeakResidentMiB();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBodyBytes));
    state.counters["peak_rss_MiB"] = peak;
    state.SetLabel(upload ? "upload" : "download");
    if (peak >= kPeakLimitMiB)
        state.SkipWithError("the client's peak resident memory reached 64 MiB");
}
BENCHMARK(BM_HttpStream200MiB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
