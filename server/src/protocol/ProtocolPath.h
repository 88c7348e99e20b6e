#pragma once
// Where a request path stands relative to the object path: the handset sends its requests to the
// object path itself, or, inside a session, to "<object path>/<tick count>;<session id>".

#include <string>
#include <string_view>

enum class PathKind {
    Outside,     // not under the object path
    Plain,       // the object path itself
    WithSession, // "<object path>/<tick>;<session id>"
    Malformed,   // under the object path, but not in that form
};

struct ProtocolPath {
    PathKind kind = PathKind::Outside;
    std::string sessionId;
};

ProtocolPath ParseProtocolPath(std::string_view objectPath, std::string_view path);

// The session id in a "Cookie" header value ("QXSESSION=<id>", among other cookies); empty when absent.
std::string SessionIdFromCookie(std::string_view cookie);

// The name of the cookie that carries the session id.
inline constexpr std::string_view kSessionCookie = "QXSESSION";
