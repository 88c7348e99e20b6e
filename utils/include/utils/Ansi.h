#pragma once
// The handset's ANSI code page: Windows-1252.

#include <string>
#include <string_view>

// Wide text of Windows-1252 bytes, one character per byte. The five bytes that code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same value, as the
// handset maps them; zero bytes are kept.
std::u16string AnsiToUnicode(std::string_view bytes);
