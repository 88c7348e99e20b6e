#include "TextLines.h"

namespace {

bool IsSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

} // namespace

void AppendFoldedLine(std::u16string& out, std::u16string_view prefix, const std::u16string* value)
{
    if (!value)
        return;
    std::u16string_view text = *value;
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return;
    out.append(prefix);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            out.append(u"\r\n ");
            ++i;
        } else if (c == u'\n') {
            out.append(u"\r\n ");
        } else {
            out.push_back(c);
        }
    }
    out.append(u"\r\n");
}
