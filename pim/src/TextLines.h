#pragma once
// Small pieces the vCard and vCalendar writers share.

#include <string>
#include <string_view>

// Appends prefix, value and CR LF when the value is present (not null, not empty).
inline void AppendLine(std::u16string& out, std::u16string_view prefix, const std::u16string* value)
{
    if (!value || value->empty())
        return;
    out.append(prefix);
    out.append(*value);
    out.append(u"\r\n");
}

// Appends prefix, the multi-line text and CR LF: trailing white space removed, every line break (CR LF,
// or a lone LF) written as CR LF followed by one blank, so the reader can tell the text's own lines
// from the next property. Nothing when the trimmed text is empty.
void AppendFoldedLine(std::u16string& out, std::u16string_view prefix, const std::u16string* value);
