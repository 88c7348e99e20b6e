#include "PropertyReader.h"

#include "TextDecoding.h"

namespace {

constexpr std::u16string_view kCdataStart = u"![CDATA[";

// Index of the first LF at or after `from` that does not start a folded continuation line, or npos.
std::size_t PropertyEnd(std::u16string_view text, std::size_t from)
{
    for (std::size_t at = text.find(u'\n', from); at != std::u16string_view::npos; at = text.find(u'\n', at + 1)) {
        if (at + 1 >= text.size() || text[at + 1] != u' ')
            return at;
    }
    return std::u16string_view::npos;
}

bool EndsWithSoftBreak(std::u16string_view line)
{
    if (!line.empty() && line.back() == u'\r')
        line.remove_suffix(1);
    return !line.empty() && line.back() == u'=';
}

} // namespace

CPropertyReader::CPropertyReader(std::u16string_view text)
    : m_text(text)
    , m_position(text.starts_with(kCdataStart) ? kCdataStart.size() : 0)
    , m_lastColon(text.rfind(u':'))
{
}

bool CPropertyReader::Next()
{
    m_name = {};
    m_value.clear();
    m_valuePosition = 0;
    m_valueDone = false;
    m_keepLineBreaks = false;
    std::size_t end = PropertyEnd(m_text, m_position);
    if (end == std::u16string_view::npos) {
        m_position = m_text.size();
        return false;
    }
    // Only this line is searched for ":", so that text of many lines without one is still read in
    // linear time; the last ":" of the text tells whether any is left at all.
    if (m_lastColon == std::u16string_view::npos || m_lastColon < m_position) {
        m_position = m_text.size();
        return false;
    }
    const std::size_t found = m_text.substr(m_position, end - m_position).find(u':');
    const std::size_t colon = found == std::u16string_view::npos ? std::u16string_view::npos : m_position + found;
    if (colon == std::u16string_view::npos) {
        std::u16string_view line = m_text.substr(m_position, end - m_position);
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        m_name = line;
        m_valueDone = true;
        m_position = end + 1;
        return true;
    }
    m_name = m_text.substr(m_position, colon - m_position);
    std::u16string_view segment = m_text.substr(colon + 1, end - colon - 1);
    if (NameHas(m_name, u"QUOTED-PRINTABLE")) {
        while (EndsWithSoftBreak(segment) && end + 1 < m_text.size()) {
            const std::size_t next = PropertyEnd(m_text, end + 1);
            if (next == std::u16string_view::npos)
                break;
            segment.remove_suffix(segment.back() == u'\r' ? 2 : 1);
            m_value.append(segment);
            segment = m_text.substr(end + 1, next - end - 1);
            end = next;
        }
    }
    m_value.append(segment);
    m_position = end + 1;
    m_keepLineBreaks = NameStarts(m_name, u"NOTE") || NameStarts(m_name, u"DESCRIPTION");
    Unfold(m_keepLineBreaks);
    return true;
}

void CPropertyReader::Unfold(bool keepLineBreaks)
{
    if (m_value.find(u'\n') == std::u16string::npos)
        return;
    std::u16string unfolded;
    unfolded.reserve(m_value.size());
    for (std::size_t i = 0; i < m_value.size(); ++i) {
        const char16_t c = m_value[i];
        if (c == u'\n' && i + 1 < m_value.size() && m_value[i + 1] == u' ') {
            const bool afterCr = !unfolded.empty() && unfolded.back() == u'\r';
            if (keepLineBreaks) {
                if (!afterCr)
                    unfolded.push_back(u'\r');
                unfolded.push_back(u'\n');
            } else if (afterCr) {
                unfolded.pop_back();
            }
            ++i; // the blank that marked the fold
            continue;
        }
        unfolded.push_back(c);
    }
    m_value.swap(unfolded);
}

const std::u16string& CPropertyReader::NextComponent()
{
    if (m_valueDone) {
        m_component.clear();
        return m_component;
    }
    const std::u16string_view rest = std::u16string_view(m_value).substr(m_valuePosition);
    const std::size_t separator = rest.find(u';');
    std::u16string_view component = rest;
    if (separator == std::u16string_view::npos) {
        m_valueDone = true;
    } else {
        component = rest.substr(0, separator);
        m_valuePosition += separator + 1;
    }
    DecodeComponent(component, m_keepLineBreaks, m_scratch, m_component);
    return m_component;
}

std::u16string_view CPropertyReader::RawRest() const
{
    if (m_valueDone)
        return {};
    return std::u16string_view(m_value).substr(m_valuePosition);
}

bool CPropertyReader::PeekRawLine(std::u16string_view& line) const
{
    line = {};
    if (m_position >= m_text.size())
        return false;
    const std::size_t end = m_text.find(u'\n', m_position);
    line = m_text.substr(m_position, end == std::u16string_view::npos ? std::u16string_view::npos : end - m_position);
    return true;
}

void CPropertyReader::SkipRawLine()
{
    const std::size_t end = m_text.find(u'\n', m_position);
    m_position = end == std::u16string_view::npos ? m_text.size() : end + 1;
}
