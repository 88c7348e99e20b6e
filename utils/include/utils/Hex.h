#pragma once
// Hexadecimal digits in quoted-printable item text and in device identifiers.

#include <cstdint>
#include <string>
#include <string_view>

// The value of one hexadecimal digit, either case. No validation: other characters give meaningless
// values (x - 48 below '9'+1, x - 55 up to '`', x - 87 above, truncated to a byte), never a failure.
std::uint8_t HexCharToChar(char16_t c);

// Reads pairs of digits from the start (a trailing odd digit is ignored) and keeps the printable
// values only: a pair whose value, as a signed byte, is above 31 (0x20-0x7F) is appended as one
// character; controls and values of 0x80 and above are dropped.
std::u16string HexStringToString(std::u16string_view text);

// Two upper-case hexadecimal digits per byte.
std::string HexUpper(std::string_view bytes);
