#pragma once
// The form encoding of HTML forms (application/x-www-form-urlencoded): the SMS gateway's request and
// the reference server's admin records. Neither function fails; any bytes go through, zeros included.

#include <string>
#include <string_view>

// "+" for a blank; A-Z a-z 0-9 and "*-._" as they are; "%XX" (upper-case digits) for every other byte.
std::string FormEncode(std::string_view bytes);

// The reverse: "+" gives a blank, "%XX" (digits of either case) its byte. A "%" not followed by two
// hexadecimal digits stays as it is, so text that was never encoded comes back unchanged.
std::string FormDecode(std::string_view text);
