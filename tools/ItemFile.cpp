#include "ItemFile.h"

#include "utils/AsciiFold.h"
#include "utils/Utf.h"

namespace {

std::u16string_view Trimmed(std::u16string_view line)
{
    while (!line.empty() && (line.back() == u'\r' || line.back() == u' ' || line.back() == u'\t'))
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == u' ' || line.front() == u'\t'))
        line.remove_prefix(1);
    return line;
}

} // namespace

std::u16string DecodeItemFile(std::string_view bytes)
{
    if (!IsValidUtf8(bytes))
        return Latin1ToUtf16(bytes);
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    return Utf8ToUtf16(bytes);
}

std::vector<std::u16string> SplitItemTexts(std::u16string_view text)
{
    static constexpr std::u16string_view kCalendarStart = u"BEGIN:VCALENDAR\r\nVERSION:1.0\r\n";
    std::vector<std::u16string> items;
    std::u16string current;
    std::u16string_view endLine; // the END line that closes the item being collected
    bool wrap = false;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find(u'\n', position);
        if (end == std::u16string_view::npos)
            end = text.size();
        std::u16string_view line = text.substr(position, end - position);
        position = end + 1;
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        const std::u16string_view word = Trimmed(line);
        if (endLine.empty()) {
            if (EqualsFolded(word, u"BEGIN:VCARD")) {
                endLine = u"END:VCARD";
                wrap = false;
            } else if (EqualsFolded(word, u"BEGIN:VEVENT")) {
                endLine = u"END:VEVENT";
                wrap = true;
            } else if (EqualsFolded(word, u"BEGIN:VTODO")) {
                endLine = u"END:VTODO";
                wrap = true;
            } else {
                continue;
            }
            current = wrap ? std::u16string(kCalendarStart) : std::u16string();
        }
        current.append(line);
        current.append(u"\r\n");
        if (EqualsFolded(word, endLine)) {
            if (wrap)
                current.append(u"END:VCALENDAR\r\n");
            items.push_back(std::move(current));
            current.clear();
            endLine = {};
        }
    }
    if (!endLine.empty())
        items.push_back(std::move(current));
    return items;
}
