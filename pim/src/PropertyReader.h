#pragma once
// Walks vCard and vCalendar text one property at a time and hands out the value's components.
//
// A property ends at the first LF not followed by a blank or a tab (which mark a folded line); a last
// line without LF is never read. Text starting with "![CDATA[" is read from after that marker.
// Unfolding drops the line break and the one blank or tab after it. In vCard 2.1 and vCalendar 1.0,
// NOTE and DESCRIPTION are the exception: there a folded line break reads back as CR LF (CR LF blank,
// or LF blank once an XML parser has turned CR LF into LF), so multi-line text keeps its lines. In a
// quoted-printable value, a line ending in "=" (a soft line break) continues on the next line.
// Values are decoded as TextDecoding.h says, with the escapes of the dialect (below).
// The reader keeps views into the text it was given: that text must outlive it.

#include "CharsetDecoder.h"
#include "PropertyHead.h"
#include "TextDecoding.h"

#include <string>
#include <string_view>

// The rules a text follows, told by its kind and its VERSION property.
enum class TextDialect : std::uint8_t {
    VCard21,     // folds in NOTE are line breaks; "\;" escapes, in N, ORG and ADR all escapes
    VCalendar10, // folds in DESCRIPTION are line breaks; no escapes
    Modern,      // vCard 3.0 and 4.0, iCalendar 2.0: folds are only folds; escapes everywhere
};

class CPropertyReader {
public:
    explicit CPropertyReader(std::u16string_view text, TextDialect dialect = TextDialect::VCard21);

    // Applies from the next property on.
    void SetDialect(TextDialect dialect) { m_dialect = dialect; }
    TextDialect Dialect() const { return m_dialect; }

    // Moves to the next property. False when the text is exhausted (no further LF, or no further ":");
    // a line without ":" gives its text as the name and an empty value.
    bool Next();
    // The property's name as written, group and parameters included (for log lines).
    std::u16string_view Name() const { return m_name; }
    PropertyId Id() const { return m_head.id; }
    const PropertyHead& Head() const { return m_head; }
    bool HasType(std::uint16_t types) const { return (m_head.types & types) != 0; }

    // The next component of the value (up to the next ";" no backslash escapes, or the whole rest),
    // decoded; empty once the value is used up.
    const std::u16string& NextComponent();
    // The rest of the value as one text, ";" included, decoded (text that is not structured).
    const std::u16string& WholeValue();
    // The undecoded rest of the value.
    std::u16string_view RawRest() const;
    // The line at the reading position as it stands (without its LF), for data that continues on lines
    // of its own; false at the end of the text. SkipRawLine moves past it.
    bool PeekRawLine(std::u16string_view& line) const;
    void SkipRawLine();

private:
    std::size_t ExtendOverSoftBreaks(std::size_t colon, std::size_t end) const;
    void Unfold(std::u16string_view raw, bool keepLineBreaks);
    const std::u16string& Decode(std::u16string_view component);

    std::u16string_view m_text;
    std::size_t m_position = 0;
    std::size_t m_lastColon;
    TextDialect m_dialect;
    std::u16string_view m_name;
    PropertyHead m_head;
    ValueDecoding m_decoding;
    std::u16string_view m_value; // into the text, or into m_unfolded
    std::size_t m_valuePosition = 0;
    bool m_valueDone = false;
    std::u16string m_unfolded;
    std::u16string m_component;
    std::string m_scratch;
    CCharsetDecoder m_charsets;
};
