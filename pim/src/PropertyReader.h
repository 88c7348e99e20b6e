#pragma once
// Walks vCard and vCalendar text one property at a time and hands out the value's components.
//
// A property ends at the first LF not followed by a blank (a blank after LF marks a folded line); a
// last line without LF is never read. Text starting with "![CDATA[" is read from after that marker.
// Unfolding: in NOTE and DESCRIPTION a folded line break (CR LF blank, or LF blank once an XML parser
// has turned CR LF into LF) reads back as CR LF, so multi-line text keeps its lines; in other
// properties the fold disappears. In a property whose name says QUOTED-PRINTABLE, a line ending in "="
// (a soft line break) continues on the next line.
// The reader keeps views into the text it was given: that text must outlive it.

#include <string>
#include <string_view>

class CPropertyReader {
public:
    explicit CPropertyReader(std::u16string_view text);

    // Moves to the next property. False when the text is exhausted (no further LF, or no further ":");
    // a line without ":" gives its text as the name and an empty value.
    bool Next();
    std::u16string_view Name() const { return m_name; }

    // The next component of the value (up to the next ";", or the whole rest), decoded as
    // DecodeComponent says; empty once the value is used up.
    const std::u16string& NextComponent();
    // The undecoded rest of the value.
    std::u16string_view RawRest() const;
    // The line at the reading position as it stands (without its LF), for data that continues on lines
    // of its own; false at the end of the text. SkipRawLine moves past it.
    bool PeekRawLine(std::u16string_view& line) const;
    void SkipRawLine();

private:
    void Unfold(bool keepLineBreaks);

    std::u16string_view m_text;
    std::size_t m_position = 0;
    std::size_t m_lastColon;
    std::u16string_view m_name;
    std::u16string m_value;
    std::size_t m_valuePosition = 0;
    bool m_valueDone = false;
    bool m_keepLineBreaks = false;
    std::u16string m_component;
    std::string m_scratch;
};

// Name tests of the readers: names compare case-sensitively.
inline bool NameIs(std::u16string_view name, std::u16string_view whole) { return name == whole; }
inline bool NameStarts(std::u16string_view name, std::u16string_view prefix) { return name.starts_with(prefix); }
inline bool NameHas(std::u16string_view name, std::u16string_view part)
{
    return name.find(part) != std::u16string_view::npos;
}
