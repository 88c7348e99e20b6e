#pragma once
// One kept-alive connection to a web server: the contract the service's transport needs.
//
// The default implementation uses libcurl (certificates verified; a CA file may be configured).
// Responses are read whole into memory; a body whose announced length is above the size cap is
// refused before it is read. Tests may install another factory.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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
    long status = 0;                                        // 0: no response (see error)
    std::vector<std::pair<std::string, std::string>> headers; // in arrival order, names as sent
    std::optional<std::uint64_t> contentLength;
    std::string body;
    bool bodyComplete = false; // false when shorter than announced, refused for size, or cut off
    std::string error;         // why the request or the body failed; empty otherwise
};

class CHttpClient {
public:
    virtual ~CHttpClient() = default;
    // Prepares a connection to the server; the network is first used by the first request.
    virtual bool Open(const HttpUrl& server, const HttpOptions& options, std::string& error) = 0;
    // Sends one request on the kept-alive connection. `headerLines` are complete lines without
    // line ends ("Name: value"), sent in this order and exactly as given after the client's own
    // "Host:" (and "Content-Length:" when there is a body); a line with an empty value goes out as
    // "Name:". On failure before a status arrived, status is 0 and `error` says why; a failure while
    // the body arrives keeps status and headers and clears bodyComplete.
    virtual HttpResponse Execute(std::string_view method, std::string_view path,
                                 const std::vector<std::string>& headerLines, std::string_view body) = 0;
    virtual void Close() = 0;

    // A new client from the installed factory (libcurl by default).
    static std::unique_ptr<CHttpClient> Create();
    using Factory = std::function<std::unique_ptr<CHttpClient>()>;
    static void InstallFactory(Factory factory); // empty: libcurl again
};
