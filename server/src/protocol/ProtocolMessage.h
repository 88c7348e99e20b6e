#pragma once
// One protocol request as the command handlers see it, and the answer they build. Plain records: the
// endpoint fills a request from HTTP and writes the answer back.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// First value of a header, the name compared without regard to case.
std::optional<std::string> FindHeader(const HeaderList& headers, std::string_view name);

struct ProtocolRequest {
    std::string method;
    std::string path;
    std::string sessionId; // from the path ("<object path>/<tick>;<id>"), else from the session cookie
    HeaderList headers;
    std::string body;
    std::string remoteAddress;
    int remotePort = 0;

    std::optional<std::string> Header(std::string_view name) const { return FindHeader(headers, name); }
    std::string HeaderOr(std::string_view name, std::string_view fallback = {}) const;
    std::string Command() const { return HeaderOr("QX-Command"); }
    std::string DeviceId() const { return HeaderOr("QX-DeviceID"); }
};

struct ProtocolResponse {
    int status = 200;
    HeaderList headers;
    std::string body;
    std::string contentType;    // empty: none sent
    bool cutConnection = false; // the connection is closed instead of answered (an operator's drop rule)

    ProtocolResponse& AddHeader(std::string name, std::string value);
    std::optional<std::string> Header(std::string_view name) const { return FindHeader(headers, name); }

    // 200 with "QX-ErrorCode" and "QX-ErrorMessage" (Base64 of the UTF-8 text, on one line): the
    // handset shows the message to its user and ends the operation.
    static ProtocolResponse Error(std::string code, std::string_view message);
    // An HTTP status other than 200 with the reason as a text body: input the server cannot read.
    static ProtocolResponse Refusal(int status, std::string_view reason);
};
