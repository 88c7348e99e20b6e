#include "http/RequestHead.h"

#include "ServerLog.h"
#include "utils/AsciiFold.h"

#include <charconv>
#include <cstring>

namespace {

std::string_view TrimmedValue(std::string_view value)
{
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
    return value;
}

HeadVerdict Refusal(int status, std::string reason)
{
    HeadVerdict verdict;
    verdict.status = status;
    verdict.reason = std::move(reason);
    return verdict;
}

// A length as HTTP writes it: decimal digits only, no sign, no blanks.
bool ReadLength(std::string_view text, std::uint64_t& length)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), length);
    return parsed.ec == std::errc() && parsed.ptr == text.data() + text.size();
}

} // namespace

CRequestHead::CRequestHead(HeadLimits limits) : m_limits(limits) {}

void CRequestHead::Reset()
{
    m_text.clear();
    m_lineStart = 0;
    m_fields = 0;
    m_state = State::Partial;
}

std::size_t CRequestHead::Feed(std::string_view input)
{
    std::size_t taken = 0;
    while (m_state == State::Partial && taken < input.size()) {
        const std::string_view rest = input.substr(taken);
        const void* newline = std::memchr(rest.data(), '\n', rest.size());
        const std::size_t length =
            newline ? static_cast<const char*>(newline) - rest.data() + 1 : rest.size();
        // Up to the cap exactly, however the bytes come in.
        const std::size_t room = m_limits.maxBytes - m_text.size();
        if (length > room) {
            m_text.append(rest.substr(0, room));
            taken += room;
            m_state = State::TooLarge;
            break;
        }
        m_text.append(rest.substr(0, length));
        taken += length;
        if (newline)
            EndLine();
    }
    return taken;
}

void CRequestHead::EndLine()
{
    const std::string_view line = std::string_view(m_text).substr(m_lineStart);
    const bool requestLine = m_lineStart == 0;
    m_lineStart = m_text.size();
    if (requestLine)
        return;
    if (line == "\r\n") {
        m_state = State::Complete;
        return;
    }
    if (++m_fields > m_limits.maxFields)
        m_state = State::TooLarge;
}

HeadVerdict CRequestHead::Check(std::uint64_t maxBodyBytes) const
{
    if (m_state == State::TooLarge)
        return Refusal(431, "the request head is over " + std::to_string(m_limits.maxBytes) + " bytes or " +
                                std::to_string(m_limits.maxFields) + " fields");
    if (m_state != State::Complete)
        return Refusal(400, "the request head is incomplete");

    HeadVerdict verdict;
    int lengths = 0;
    std::string_view rest = m_text;
    rest.remove_prefix(rest.find('\n') + 1);
    while (!rest.empty()) {
        const std::size_t newline = rest.find('\n');
        std::string_view line = rest.substr(0, newline);
        rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = TrimmedValue(line.substr(colon + 1));
        if (EqualsFolded(name, "Transfer-Encoding"))
            return Refusal(411, "send the body with a Content-Length, not a transfer coding");
        if (EqualsFolded(name, "Content-Encoding") && !EqualsFolded(value, "identity"))
            return Refusal(415, "request bodies are taken without a content coding");
        if (!EqualsFolded(name, "Content-Length"))
            continue;
        if (++lengths > 1)
            return Refusal(400, "Content-Length is given more than once");
        if (!ReadLength(value, verdict.bodyBytes))
            return Refusal(400, "Content-Length \"" + LoggedText(value, 32) + "\" is not a number of bytes");
    }
    if (verdict.bodyBytes > maxBodyBytes)
        return Refusal(413, "the body of " + std::to_string(verdict.bodyBytes) + " bytes is over the " +
                                std::to_string(maxBodyBytes) + " bytes this server takes");
    return verdict;
}
