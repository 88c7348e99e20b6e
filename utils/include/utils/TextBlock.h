#pragma once
// Folding of long values (pictures in vCard text) into indented lines.

#include <string>
#include <string_view>

// Cuts `text` into pieces of `width` characters and puts CR LF and `prefix` before each piece, so the
// result starts with a line break; an empty text gives an empty result. A width below 1 is taken as 1
// (callers pass at least 1; a smaller one must not loop forever).
std::u16string LongStringToBlock(std::u16string text, std::u16string_view prefix, int width);
