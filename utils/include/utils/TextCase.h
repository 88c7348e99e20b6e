#pragma once
// The handset's character case routine: what its dialog window applies to a typed value that is not a
// password before the value is digested and sent. The server compares expected input the same way.

#include <string>
#include <string_view>

// Lower case for the capital letters of ASCII, Latin-1, Greek and Cyrillic; every other unit stays.
std::u16string LowerCaseText(std::u16string_view text);
