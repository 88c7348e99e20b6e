#include "platform/HttpResponseHead.h"

#include <charconv>

std::string_view TrimHttpBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

bool CHttpResponseHead::Take(std::string_view line)
{
    if (line.starts_with("HTTP/")) {
        m_fields.clear();
        m_ended = false;
        m_status = 0;
        const std::size_t blank = line.find(' ');
        if (blank != std::string_view::npos && line.size() >= blank + 4)
            std::from_chars(line.data() + blank + 1, line.data() + blank + 4, m_status);
        return false;
    }
    if (TrimHttpBlanks(line).empty()) {
        m_ended = m_status >= 200;
        return true;
    }
    if (line.front() == ' ' || line.front() == '\t') {
        if (!m_fields.empty()) {
            // A value that starts on the folded line has no blank before it.
            std::string& value = m_fields.back().second;
            value.append(value.empty() ? "" : " ").append(TrimHttpBlanks(line));
        }
        return false;
    }
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos)
        m_fields.emplace_back(std::string(TrimHttpBlanks(line.substr(0, colon))),
                              std::string(TrimHttpBlanks(line.substr(colon + 1))));
    return false;
}
