#pragma once
// Quoted-printable for header values that may hold any text.

#include <string>
#include <string_view>

// Encodes UTF-8 bytes for a header value: 0x21-0x3C and 0x3E-0x7E are copied; a blank or tab is copied
// while fewer than 64 characters have been written, later ones are escaped; every other byte ("=",
// controls, 0x80 and above) becomes "=" and two upper-case hexadecimal digits. No soft line breaks.
// The 1024-byte limit on header input is the caller's to apply before calling; this encodes all of it.
std::string QuotedPrintableHeader(std::string_view utf8);
