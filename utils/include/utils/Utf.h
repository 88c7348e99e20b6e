#pragma once
// UTF-16 <-> UTF-8. Wide text is UTF-16 inside the system; UTF-8 at its edges.
// Neither direction fails: invalid input (lone surrogates, bad or overlong UTF-8 sequences) becomes
// U+FFFD, so no input can crash a caller or be silently cut.

#include <optional>
#include <string>
#include <string_view>

// UTF-8 of the whole text; the result ends at its first zero byte, if any.
std::string UnicodeToUTF8(std::u16string_view text);

// UTF-8 of the text (up to its first zero character, as UnicodeToUTF8), as wide text: bytes below 0x80
// stay as they are, every other byte becomes "=%02X". "=" itself is not escaped; no line breaks.
std::u16string UnicodeToEncodedUTF8(std::u16string_view text);

// UTF-8 of the whole text, keeping zero characters (for bodies and stores that may hold them).
std::string Utf16ToUtf8(std::u16string_view text);
// UTF-16 of UTF-8 bytes, keeping zero bytes as zero characters.
std::u16string Utf8ToUtf16(std::string_view bytes);

// The code point of the well-formed UTF-8 sequence at bytes[pos], with `pos` moved past it; nothing,
// `pos` unchanged, when no well-formed sequence starts there (for readers that take such bytes as
// 8-bit text instead).
std::optional<char32_t> ReadUtf8Sequence(std::string_view bytes, std::size_t& pos);

// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Each byte as one character (ISO-8859-1), and back (characters above U+00FF become '?').
std::u16string Latin1ToUtf16(std::string_view bytes);
std::string Utf16ToLatin1(std::u16string_view text);
