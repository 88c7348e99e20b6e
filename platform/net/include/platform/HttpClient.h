#pragma once
// One kept-alive connection to a web server: the contract the service's transport needs.
//
// The default implementation uses libcurl (certificates verified; a CA file may be configured). A
// request streams: its body comes from a source read in pieces as it is sent, its answer's body goes
// to a sink as it arrives, progress is reported in bytes, and a stop request is polled all along, so
// a file of any size moves with a few buffers of memory. Without a sink the answer's body is kept in
// the response, and one whose size passes the cap is refused (before it is read when announced).
// Execute with one string as the body is the short form of that. Tests may install another factory.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct HttpUrl {
    std::string scheme; // "http" or "https"
    std::string host;
    int port = 0;
    std::string path;   // starts with "/"; "/" when the address has none
};

// Splits "scheme://host[:port][/path]" (scheme http or https, either case; an IPv6 host in brackets;
// a query stays part of the path); false when it is not such an address (user info, a fragment, a bad
// port, blanks or control characters).
bool SplitHttpUrl(std::string_view url, HttpUrl& parts);

struct HttpOptions {
    std::string caFile;    // more CA certificates (PEM) to trust besides the system's; empty: none
    std::string userAgent; // sent as "User-Agent: " unless the request's own lines carry one
    long connectTimeoutMs = 30000;
    long transferTimeoutMs = 300000;               // whole request
    std::uint64_t maxBodyBytes = 64u * 1024 * 1024; // larger announced bodies are refused
};

struct HttpResponse {
    long status = 0;                                        // 0: no response, or its head cut off (see error)
    std::vector<std::pair<std::string, std::string>> headers; // in arrival order, names as sent
    std::optional<std::uint64_t> contentLength;
    std::string body;          // empty when the body went to a sink
    bool bodyComplete = false; // false when shorter than announced, refused, cut off or stopped
    bool stopped = false;      // the transfer ended because a stop was requested
    std::string error;         // why the request or the body failed; empty otherwise
};

// Where a request body comes from. The client reads it in pieces while it sends, and may read a
// piece again when it has to send the body again.
class CHttpBodySource {
public:
    virtual ~CHttpBodySource() = default;
    // The body's size in bytes (sent as Content-Length).
    virtual std::uint64_t Size() const = 0;
    // Copies up to buffer.size() bytes from `offset` of the body into `buffer` and returns how many;
    // fewer only at the end of the body. Nothing when the body cannot be read: the request fails.
    virtual std::optional<std::size_t> Read(std::uint64_t offset, std::span<std::uint8_t> buffer) = 0;
};

// The body of one string (which must outlive the request).
class CStringBodySource final : public CHttpBodySource {
public:
    explicit CStringBodySource(std::string_view body) : m_body(body) {}
    std::uint64_t Size() const override { return m_body.size(); }
    std::optional<std::size_t> Read(std::uint64_t offset, std::span<std::uint8_t> buffer) override;

private:
    std::string_view m_body;
};

// Where an answer's body goes as it arrives.
class CHttpAnswerSink {
public:
    virtual ~CHttpAnswerSink() = default;
    // The status and headers of the final answer have arrived (in `head`; its body is empty). False
    // refuses the answer (say why in `error`): the request then fails before any body is read.
    virtual bool Begin(const HttpResponse& head, std::string& error) = 0;
    // The next bytes of the body; `offset` is where they stand in the body. False (say why in `error`)
    // ends the transfer: the answer's body is then not complete.
    virtual bool Write(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) = 0;
};

// How far a transfer has come, in bytes; a total is 0 while unknown.
struct HttpProgress {
    std::uint64_t sent = 0;
    std::uint64_t toSend = 0;
    std::uint64_t received = 0;
    std::uint64_t toReceive = 0;
};

// The streaming parts of one request; all optional.
struct HttpTransfer {
    CHttpBodySource* body = nullptr;   // null: no body
    CHttpAnswerSink* answer = nullptr; // null: the answer's body is kept in the response (capped)
    // Called on the requesting thread as bytes move (often: keep it short).
    std::function<void(const HttpProgress&)> progress;
    // Polled on the requesting thread while the request runs (at least once a second, and with every
    // piece of data); true ends the request: `stopped` is set and the body is not complete.
    std::function<bool()> stopRequested;
};

class CHttpClient {
public:
    virtual ~CHttpClient() = default;
    // Prepares a connection to the server; the network is first used by the first request.
    virtual bool Open(const HttpUrl& server, const HttpOptions& options, std::string& error) = 0;
    // Sends one request on the kept-alive connection. `headerLines` are complete lines without
    // line ends ("Name: value"), sent in this order and exactly as given after the client's own
    // "Host:" (and "Content-Length:" when there is a body); a line with an empty value goes out as
    // "Name:". On failure before the answer's head has ended (no status, or the headers cut off), status
    // is 0, there are no headers and `error` says why; a failure while the body arrives keeps status and
    // headers and clears bodyComplete.
    virtual HttpResponse Transfer(std::string_view method, std::string_view path,
                                  const std::vector<std::string>& headerLines, HttpTransfer& transfer) = 0;
    // The short form: the body from one string (none when empty), the answer's body in the response.
    HttpResponse Execute(std::string_view method, std::string_view path, const std::vector<std::string>& headerLines,
                         std::string_view body);
    virtual void Close() = 0;

    // A new client from the installed factory (libcurl by default).
    static std::unique_ptr<CHttpClient> Create();
    using Factory = std::function<std::unique_ptr<CHttpClient>()>;
    static void InstallFactory(Factory factory); // empty: libcurl again
};
