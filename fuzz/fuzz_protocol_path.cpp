// Request paths and cookies come from anyone who can reach the server: placing a path against the object
// path, and finding the session in a cookie, must never crash, and a session id found must be one the
// server could have handed out as part of that text.

#include "FuzzCheck.h"
#include "protocol/ProtocolPath.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ProtocolPath path = ParseProtocolPath("/sync/serv", bytes);
    FUZZ_CHECK(path.kind == PathKind::WithSession || path.sessionId.empty());
    if (path.kind != PathKind::Outside)
        FUZZ_CHECK(bytes.starts_with("/sync/serv"));
    if (path.kind == PathKind::WithSession)
        FUZZ_CHECK(!path.sessionId.empty() && bytes.ends_with(path.sessionId));

    const std::string session = SessionIdFromCookie(bytes);
    FUZZ_CHECK(bytes.find(session) != std::string_view::npos);
    FUZZ_CHECK(session.find(';') == std::string::npos);
    return 0;
}
