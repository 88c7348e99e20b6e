#pragma once
// Decoding of one vCard/vCalendar value component into wide text.

#include <string>
#include <string_view>

// Turns a component into wide text:
// 1. the component becomes bytes: each character narrowed to its low 8 bits, or, when the component
//    holds a character above U+00FF (text that is already Unicode), its UTF-8 encoding instead;
// 2. quoted-printable: "=" followed by two characters gives one byte (digits read by HexCharToChar),
//    whether or not an ENCODING parameter asked for it;
// 3. trailing LF characters, then trailing CR characters, are removed;
// 4. the bytes are read as UTF-8 wherever they form valid UTF-8 and one byte per character (Latin-1)
//    wherever they do not, so neither UTF-8 nor 8-bit text is lost;
// 5. unless `keepLineBreaks` (multi-line text, whose lines may begin with a blank), every LF followed
//    by a blank becomes a plain LF.
// `scratch` is working space, reused between calls to spare allocations.
void DecodeComponent(std::u16string_view component, bool keepLineBreaks, std::string& scratch, std::u16string& out);

// Bytes as UTF-8 where they are valid UTF-8, one byte per character elsewhere.
void DecodeUtf8OrLatin1(std::string_view bytes, std::u16string& out);
