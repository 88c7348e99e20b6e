#pragma once
// Writes one vCard or vCalendar property line so that the readers give back exactly the value written.
//
// Values go out as they are where that is safe. A value with a line break (outside NOTE and
// DESCRIPTION, which fold their lines), or one whose 8-bit characters would read as UTF-8, is written
// quoted-printable with CHARSET=UTF-8, so that it stays on its line and reads back whole.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum class ValueText : std::uint8_t {
    Plain,      // vCalendar 1.0 text, which knows no escapes: as it is
    Escaped,    // vCard 2.1 text: ";" is written "\;", since the reader splits values at ";"
    Structured, // vCard 2.1 N, ORG and ADR components: "\" and ";" are written "\\" and "\;"
};

enum class LineBreaks : std::uint8_t {
    Encode, // written quoted-printable; trailing line breaks, which the reader drops, are dropped
    Fold,   // NOTE and DESCRIPTION: trailing white space removed, every line break written CR LF and
            // one blank
};

// Appends `name`, ":", the components separated by ";" (a null or empty one stays empty) and CR LF.
// Nothing when every component is null or empty once trimmed.
// At most eight components are written.
void AppendProperty(std::u16string& out, std::u16string_view name,
                    std::span<const std::u16string* const> components, ValueText text,
                    LineBreaks breaks = LineBreaks::Encode);

inline void AppendProperty(std::u16string& out, std::u16string_view name, const std::u16string* value,
                           ValueText text, LineBreaks breaks = LineBreaks::Encode)
{
    AppendProperty(out, name, std::span<const std::u16string* const>(&value, 1), text, breaks);
}
