#include "platform/HttpResponseHead.h"

#include <algorithm>

std::string_view TrimHttpBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

bool CHttpResponseHead::Take(std::string_view line)
{
    if (line.starts_with("HTTP/")) {
        m_fields.clear();
        m_ended = false;
        m_status = 0;
        // Three digits, no sign: anything else is no status.
        const std::size_t blank = line.find(' ');
        const std::string_view code =
            blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1, 3);
        if (code.size() == 3 &&
            std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; }))
            m_status = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
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
