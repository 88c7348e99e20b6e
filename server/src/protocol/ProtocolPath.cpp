#include "protocol/ProtocolPath.h"

#include "protocol/Credentials.h"

namespace {

// The handset writes its tick count with "%d", so it may be negative after the count wraps.
bool IsTick(std::string_view text)
{
    if (!text.empty() && text.front() == '-')
        text.remove_prefix(1);
    if (text.empty() || text.size() > 10)
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

} // namespace

ProtocolPath ParseProtocolPath(std::string_view objectPath, std::string_view path)
{
    ProtocolPath parsed;
    if (!path.starts_with(objectPath))
        return parsed;
    std::string_view rest = path.substr(objectPath.size());
    if (rest.empty()) {
        parsed.kind = PathKind::Plain;
        return parsed;
    }
    if (rest.front() != '/')
        return parsed;
    rest.remove_prefix(1);
    const std::size_t semicolon = rest.find(';');
    parsed.kind = PathKind::Malformed;
    if (semicolon == std::string_view::npos || !IsTick(rest.substr(0, semicolon)) ||
        !IsProtocolToken(rest.substr(semicolon + 1)))
        return parsed;
    parsed.kind = PathKind::WithSession;
    parsed.sessionId = std::string(rest.substr(semicolon + 1));
    return parsed;
}

std::string SessionIdFromCookie(std::string_view cookie)
{
    while (!cookie.empty()) {
        const std::size_t end = cookie.find(';');
        std::string_view piece = cookie.substr(0, end);
        cookie = end == std::string_view::npos ? std::string_view() : cookie.substr(end + 1);
        while (!piece.empty() && piece.front() == ' ')
            piece.remove_prefix(1);
        if (piece.starts_with(kSessionCookie) && piece.substr(kSessionCookie.size()).starts_with('='))
            return std::string(piece.substr(kSessionCookie.size() + 1));
    }
    return {};
}
