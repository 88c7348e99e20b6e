#include "utils/Utf.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp)
{
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Decodes one code point at `pos` and advances it. A malformed sequence yields U+FFFD and consumes
// its lead byte plus the continuation bytes that were valid so far (the "maximal subpart" rule).
char32_t DecodeUtf8(std::string_view bytes, std::size_t& pos)
{
    const auto lead = static_cast<std::uint8_t>(bytes[pos++]);
    if (lead < 0x80)
        return lead;
    int length = 0;
    char32_t cp = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 1;
        cp = lead & 0x1F;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 2;
        cp = lead & 0x0F;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 3;
        cp = lead & 0x07;
        lowest = 0x10000;
    } else {
        return kReplacement;
    }
    for (int i = 0; i < length; ++i) {
        if (pos >= bytes.size())
            return kReplacement;
        const auto next = static_cast<std::uint8_t>(bytes[pos]);
        if ((next & 0xC0) != 0x80)
            return kReplacement;
        const char32_t candidate = (cp << 6) | (next & 0x3F);
        // Reject overlongs, surrogates and values above U+10FFFF as soon as the second byte shows them.
        if (i == 0) {
            const char32_t shifted = candidate << (6 * (length - 1));
            if (shifted < lowest || (shifted >= 0xD800 && shifted <= 0xDFFF) || shifted > 0x10FFFF)
                return kReplacement;
        }
        cp = candidate;
        ++pos;
    }
    return cp;
}

} // namespace

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            const char32_t cp =
                0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            AppendUtf8(out, cp);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::string UnicodeToUTF8(std::u16string_view text)
{
    std::string out = Utf16ToUtf8(text);
    if (const auto zero = out.find('\0'); zero != std::string::npos)
        out.resize(zero);
    return out;
}

std::u16string UnicodeToEncodedUTF8(std::u16string_view text)
{
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    const std::string bytes = UnicodeToUTF8(text);
    std::u16string out;
    out.reserve(bytes.size() * 3);
    for (const char character : bytes) {
        const auto byte = static_cast<std::uint8_t>(character);
        if (byte < 0x80) {
            out.push_back(byte);
            continue;
        }
        out.push_back(u'=');
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0x0F]);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        // Runs of ASCII, most of any text here, are widened as they stand.
        const std::size_t start = pos;
        while (pos < bytes.size() && static_cast<std::uint8_t>(bytes[pos]) < 0x80)
            ++pos;
        out.append(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                   bytes.begin() + static_cast<std::ptrdiff_t>(pos));
        if (pos < bytes.size())
            AppendUtf16(out, DecodeUtf8(bytes, pos));
    }
    return out;
}

std::optional<char32_t> ReadUtf8Sequence(std::string_view bytes, std::size_t& pos)
{
    std::size_t next = pos;
    const char32_t cp = DecodeUtf8(bytes, next);
    // A literal U+FFFD (EF BF BD) is well-formed; anything else that decoded to it was not.
    if (cp == kReplacement && bytes.substr(pos, next - pos) != "\xEF\xBF\xBD")
        return std::nullopt;
    pos = next;
    return cp;
}

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (static_cast<std::uint8_t>(bytes[pos]) < 0x80)
            ++pos;
        else if (!ReadUtf8Sequence(bytes, pos))
            return false;
    }
    return true;
}

std::u16string Latin1ToUtf16(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    for (const char byte : bytes)
        out.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(byte)));
    return out;
}

std::string Utf16ToLatin1(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char16_t unit : text)
        out.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
    return out;
}
