#pragma once
// Base64 with the standard alphabet A-Z a-z 0-9 + / (RFC 4648, section 4). None of these functions
// fails: every input gives the output described, and decoded bytes may contain zeros.

#include <string>
#include <string_view>

// Decodes from the start of `text` and stops at its end, at the first "=" or at the first character
// whose low byte is not in the alphabet; whatever follows the stop is ignored, valid or not.
// Four characters give three bytes; a final group of 2 or 3 characters gives 1 or 2 bytes, a single
// leftover character nothing. This is how item pictures are read, so a line break ends a picture.
std::string Base64Decode(std::u16string_view text);

// Decodes a header value: every byte outside the alphabet ("=", CR, LF, blanks, ...) is skipped
// wherever it stands; the alphabet characters are grouped as Base64Decode groups them.
std::string Base64DecodeLenient(std::string_view text);

// Encodes with "=" padding and no line breaks.
std::string Base64Encode(std::string_view bytes);

// Encodes as Base64Encode does, with CR LF between lines of 76 characters. The break goes between
// lines, never after the last character: a value of exactly 76 characters (or a multiple) ends without
// CR LF, because a trailing line break would end the header it is sent in. Short values have none.
std::string Base64EncodeLines(std::string_view bytes);
