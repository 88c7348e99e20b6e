#pragma once
// Decoding of one vCard/vCalendar value component into wide text.

#include <cstdint>
#include <string>
#include <string_view>

class CCharsetDecoder;

// How a backslash reads in a value.
enum class Escapes : std::uint8_t {
    None,      // a plain character (vCalendar 1.0; values in a double-byte character set, whose second
               // bytes include 0x5C)
    Semicolon, // "\;" is a ";" that separates nothing (vCard 2.1 values that are not structured)
    Full,      // "\\", "\;", "\,", "\n" and "\N" (vCard 2.1 N, ORG and ADR; every value of vCard 3.0 and
               // iCalendar)
};

struct ValueDecoding {
    bool quotedPrintable = false;
    Escapes escapes = Escapes::None;
    std::u16string_view charset; // as declared; empty when none
};

// Index of the first ";" of `value` that separates components (one no backslash escapes), or npos.
std::size_t FindSeparator(std::u16string_view value, Escapes escapes);

// Turns a component into wide text:
// 1. quoted-printable, when the property says so: "=" and two hexadecimal digits give one byte; any
//    other "=" is itself;
// 2. trailing LF characters, then trailing CR characters, are removed;
// 3. the bytes are read in the declared character set; without one, or when it is unknown, as UTF-8
//    wherever they form valid UTF-8 and one byte per character elsewhere. A component that already
//    holds characters above U+00FF is Unicode text and read as it is;
// 4. escapes are resolved ("\n" becomes CR LF, the line end of the records).
// `scratch` is working space, reused between calls to spare allocations.
void DecodeComponent(std::u16string_view component, const ValueDecoding& decoding, CCharsetDecoder& charsets,
                     std::string& scratch, std::u16string& out);
