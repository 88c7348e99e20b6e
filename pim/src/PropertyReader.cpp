#include "PropertyReader.h"

#include "utils/AsciiFold.h"

namespace {

constexpr std::u16string_view kCdataStart = u"![CDATA[";
constexpr std::size_t kNone = std::u16string_view::npos;

bool IsFoldBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

// Index of the first LF at or after `from` that does not start a folded continuation line, or npos.
std::size_t PropertyEnd(std::u16string_view text, std::size_t from)
{
    for (std::size_t at = text.find(u'\n', from); at != kNone; at = text.find(u'\n', at + 1)) {
        if (at + 1 >= text.size() || !IsFoldBlank(text[at + 1]))
            return at;
    }
    return kNone;
}

std::u16string_view WithoutCr(std::u16string_view line)
{
    if (!line.empty() && line.back() == u'\r')
        line.remove_suffix(1);
    return line;
}

// How backslashes read in a property of this dialect.
Escapes EscapesOf(TextDialect dialect, const PropertyHead& head)
{
    if (head.encoding == ValueEncoding::Base64)
        return Escapes::None;
    switch (dialect) {
    case TextDialect::Modern: return Escapes::Full;
    case TextDialect::VCalendar10: return Escapes::None;
    case TextDialect::VCard21: break;
    }
    if (IsDoubleByteCharset(head.charset))
        return Escapes::None;
    const bool structured = head.id == PropertyId::N || head.id == PropertyId::Org || head.id == PropertyId::Adr;
    return structured ? Escapes::Full : Escapes::Semicolon;
}

} // namespace

CPropertyReader::CPropertyReader(std::u16string_view text, TextDialect dialect)
    : m_text(text)
    , m_position(text.starts_with(kCdataStart) ? kCdataStart.size() : 0)
    , m_lastColon(text.rfind(u':'))
    , m_dialect(dialect)
{
}

// A soft line break ("=" at the end of a line) carries a quoted-printable value on to the next line,
// folded or not; a line that opens or closes an item is never taken for such a continuation, so a
// value cut off after its "=" does not swallow the end of its card.
std::size_t CPropertyReader::ExtendOverSoftBreaks(std::size_t colon, std::size_t end) const
{
    while (true) {
        const std::u16string_view line = WithoutCr(m_text.substr(colon + 1, end - colon - 1));
        if (line.empty() || line.back() != u'=' || end + 1 >= m_text.size())
            return end;
        const std::u16string_view rest = m_text.substr(end + 1);
        if (StartsWithFolded(rest, u"END:") || StartsWithFolded(rest, u"BEGIN:"))
            return end;
        const std::size_t next = PropertyEnd(m_text, end + 1);
        if (next == kNone)
            return end;
        colon = end;
        end = next;
    }
}

bool CPropertyReader::Next()
{
    m_name = {};
    m_head = PropertyHead{};
    m_decoding = ValueDecoding{};
    m_value = {};
    m_valuePosition = 0;
    m_valueDone = false;
    std::size_t end = PropertyEnd(m_text, m_position);
    // Only this property is searched for ":", so that text of many lines without one is still read in
    // linear time; the last ":" of the text tells whether any is left at all.
    if (end == kNone || m_lastColon == kNone || m_lastColon < m_position) {
        m_position = m_text.size();
        return false;
    }
    const std::size_t found = m_text.substr(m_position, end - m_position).find(u':');
    if (found == kNone) {
        m_name = WithoutCr(m_text.substr(m_position, end - m_position));
        m_valueDone = true;
        m_position = end + 1;
        return true;
    }
    const std::size_t colon = m_position + found;
    m_name = m_text.substr(m_position, found);
    m_head = ParsePropertyHead(m_name);
    const bool quotedPrintable = m_head.encoding == ValueEncoding::QuotedPrintable;
    if (quotedPrintable)
        end = ExtendOverSoftBreaks(colon, end);
    m_decoding = ValueDecoding{quotedPrintable, EscapesOf(m_dialect, m_head), m_head.charset};
    std::u16string_view raw = m_text.substr(colon + 1, end - colon - 1);
    m_position = end + 1;
    if (quotedPrintable) {
        // A soft line break at the very end of the value joins nothing.
        raw = WithoutCr(raw);
        if (!raw.empty() && raw.back() == u'=')
            raw.remove_suffix(1);
    }
    if (raw.find(u'\n') == kNone) {
        m_value = raw;
        return true;
    }
    const bool keepLineBreaks = m_dialect != TextDialect::Modern && !quotedPrintable &&
                                (m_head.id == PropertyId::Note || m_head.id == PropertyId::Description);
    Unfold(raw, keepLineBreaks);
    m_value = m_unfolded;
    return true;
}

void CPropertyReader::Unfold(std::u16string_view raw, bool keepLineBreaks)
{
    const bool quotedPrintable = m_decoding.quotedPrintable;
    m_unfolded.clear();
    m_unfolded.reserve(raw.size());
    std::size_t start = 0;
    for (std::size_t lineFeed = raw.find(u'\n'); lineFeed != kNone; lineFeed = raw.find(u'\n', start)) {
        std::u16string_view line = WithoutCr(raw.substr(start, lineFeed - start));
        start = lineFeed + 1;
        if (quotedPrintable && !line.empty() && line.back() == u'=') {
            // Soft line break: the next line's text follows as it is.
            line.remove_suffix(1);
            m_unfolded.append(line);
            continue;
        }
        m_unfolded.append(line);
        if (start < raw.size() && IsFoldBlank(raw[start]))
            ++start;
        if (keepLineBreaks)
            m_unfolded.append(u"\r\n");
    }
    m_unfolded.append(raw.substr(start));
}

const std::u16string& CPropertyReader::Decode(std::u16string_view component)
{
    DecodeComponent(component, m_decoding, m_charsets, m_scratch, m_component);
    return m_component;
}

const std::u16string& CPropertyReader::NextComponent()
{
    if (m_valueDone) {
        m_component.clear();
        return m_component;
    }
    const std::u16string_view rest = m_value.substr(m_valuePosition);
    const std::size_t separator = FindSeparator(rest, m_decoding.escapes);
    if (separator == kNone) {
        m_valueDone = true;
        return Decode(rest);
    }
    m_valuePosition += separator + 1;
    return Decode(rest.substr(0, separator));
}

const std::u16string& CPropertyReader::WholeValue()
{
    const std::u16string_view rest = RawRest();
    m_valueDone = true;
    return Decode(rest);
}

std::u16string_view CPropertyReader::RawRest() const
{
    if (m_valueDone)
        return {};
    return m_value.substr(m_valuePosition);
}

bool CPropertyReader::PeekRawLine(std::u16string_view& line) const
{
    line = {};
    if (m_position >= m_text.size())
        return false;
    const std::size_t end = m_text.find(u'\n', m_position);
    line = m_text.substr(m_position, end == kNone ? kNone : end - m_position);
    return true;
}

void CPropertyReader::SkipRawLine()
{
    const std::size_t end = m_text.find(u'\n', m_position);
    m_position = end == kNone ? m_text.size() : end + 1;
}
