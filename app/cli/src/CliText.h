#pragma once
// Wide texts as terminal lines: UTF-8, with the handset's CR LF line ends as plain line breaks.

#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "utils/Utf.h"

#include <string>
#include <string_view>

inline std::string TerminalText(std::u16string_view text)
{
    std::string utf8 = Utf16ToUtf8(text);
    std::erase(utf8, '\r');
    return utf8;
}

// Branding text N for the terminal.
inline std::string Text(int number)
{
    return TerminalText(BrandingText(number));
}

// Text that came from elsewhere (a server's file name) made safe for a terminal line: control
// characters, which could move the cursor or change colours, are shown as "?".
inline std::string PrintableText(std::u16string_view text)
{
    std::u16string shown(text);
    for (char16_t& c : shown) {
        if (c < u' ' || (c >= 0x7F && c <= 0x9F))
            c = u'?';
    }
    return Utf16ToUtf8(shown);
}
