#include "ItemFile.h"

#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <algorithm>

namespace {

// Bytes looked at to tell UTF-16 without a byte order mark by its zero bytes.
constexpr std::size_t kSniffBytes = 4096;

enum class ByteOrder : std::uint8_t { Little, Big };

std::u16string DecodeUtf16(std::string_view bytes, ByteOrder order)
{
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(order == ByteOrder::Little ? first | (second << 8) : (first << 8) | second);
    }
    return text;
}

// Text files hold no zero bytes; UTF-16 files of mostly ASCII text have one in most units, on the
// high byte's side.
bool LooksLikeUtf16(std::string_view bytes, ByteOrder& order)
{
    const std::size_t length = std::min(bytes.size(), kSniffBytes) & ~std::size_t{1};
    std::size_t evenZeros = 0;
    std::size_t oddZeros = 0;
    for (std::size_t i = 0; i < length; i += 2) {
        evenZeros += bytes[i] == '\0';
        oddZeros += bytes[i + 1] == '\0';
    }
    if (std::max(evenZeros, oddZeros) * 4 < length / 2)
        return false;
    order = oddZeros >= evenZeros ? ByteOrder::Little : ByteOrder::Big;
    return true;
}

std::u16string_view Trimmed(std::u16string_view line)
{
    while (!line.empty() && (line.back() == u'\r' || line.back() == u' ' || line.back() == u'\t'))
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == u' ' || line.front() == u'\t'))
        line.remove_prefix(1);
    return line;
}

// "BEGIN:VCARD" on its own, or as the value of a property ("AGENT:BEGIN:VCARD"): a card starts.
bool OpensCard(std::u16string_view word)
{
    constexpr std::u16string_view kBegin = u"BEGIN:VCARD";
    return word.size() >= kBegin.size() && EqualsFolded(word.substr(word.size() - kBegin.size()), kBegin) &&
           (word.size() == kBegin.size() || word[word.size() - kBegin.size() - 1] == u':');
}

} // namespace

std::u16string DecodeItemFile(std::string_view bytes)
{
    if (bytes.starts_with("\xFF\xFE"))
        return DecodeUtf16(bytes.substr(2), ByteOrder::Little);
    if (bytes.starts_with("\xFE\xFF"))
        return DecodeUtf16(bytes.substr(2), ByteOrder::Big);
    ByteOrder order = ByteOrder::Little;
    if (LooksLikeUtf16(bytes, order))
        return DecodeUtf16(bytes, order);
    if (!IsValidUtf8(bytes))
        return Latin1ToUtf16(bytes);
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    return Utf8ToUtf16(bytes);
}

std::vector<std::u16string> SplitItemTexts(std::u16string_view text)
{
    static constexpr std::u16string_view kCalendarStart = u"BEGIN:VCALENDAR\r\n";
    // Each event or task is wrapped in a calendar of the file's version: an iCalendar 2.0 text read
    // as vCalendar 1.0 would keep its escapes ("Lake shore\, north side").
    static constexpr std::u16string_view kOldestVersion = u"VERSION:1.0";
    std::u16string version(kOldestVersion);
    // Files of old Macintosh programs end their lines in CR alone.
    const bool crOnly = text.find(u'\n') == std::u16string_view::npos && text.find(u'\r') != std::u16string_view::npos;
    const char16_t lineEnd = crOnly ? u'\r' : u'\n';
    std::vector<std::u16string> items;
    std::u16string current;
    std::u16string_view endLine; // the END line that closes the item being collected
    int nestedCards = 0;         // cards inside the card being collected (an AGENT's)
    bool wrap = false;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find(lineEnd, position);
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
                if (EqualsFolded(word, u"BEGIN:VCALENDAR"))
                    version = kOldestVersion;
                else if (EqualsFolded(word.substr(0, 8), u"VERSION:"))
                    version = word;
                continue;
            }
            current = wrap ? std::u16string(kCalendarStart) + version + u"\r\n" : std::u16string();
            nestedCards = -1; // the item's own BEGIN is counted below
        }
        current.append(line);
        current.append(u"\r\n");
        if (!wrap && OpensCard(word))
            ++nestedCards;
        if (!EqualsFolded(word, endLine))
            continue;
        if (!wrap && nestedCards-- > 0)
            continue;
        if (wrap)
            current.append(u"END:VCALENDAR\r\n");
        items.push_back(std::move(current));
        current.clear();
        endLine = {};
    }
    if (!endLine.empty())
        items.push_back(std::move(current));
    return items;
}
