#include "TextDecoding.h"

#include "utils/Hex.h"

#include <cstdint>

namespace {

void AppendUtf8(char32_t code, std::string& out)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// UTF-8 of UTF-16 text; a lone surrogate becomes U+FFFD.
void EncodeUtf8(std::u16string_view text, std::string& out)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        AppendUtf8(code, out);
    }
}

// Length of the valid UTF-8 sequence starting at bytes[i] and its code point, or 0 when none starts there.
std::size_t ValidSequence(std::string_view bytes, std::size_t i, char32_t& code)
{
    const auto lead = static_cast<std::uint8_t>(bytes[i]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<std::uint8_t>(bytes[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

void DecodeUtf8OrLatin1(std::string_view bytes, std::u16string& out)
{
    out.clear();
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<std::uint8_t>(bytes[i]);
        if (byte < 0x80) {
            out.push_back(byte);
            ++i;
            continue;
        }
        char32_t code = 0;
        const std::size_t length = ValidSequence(bytes, i, code);
        if (length == 0) {
            out.push_back(byte);
            ++i;
        } else if (code < 0x10000) {
            out.push_back(static_cast<char16_t>(code));
            i += length;
        } else {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
            i += length;
        }
    }
}

void DecodeComponent(std::u16string_view component, bool keepLineBreaks, std::string& scratch, std::u16string& out)
{
    bool wide = false;
    for (const char16_t c : component) {
        if (c > 0xFF) {
            wide = true;
            break;
        }
    }
    std::string& bytes = scratch;
    bytes.clear();
    if (wide) {
        std::string encoded;
        EncodeUtf8(component, encoded);
        bytes.swap(encoded);
    } else {
        bytes.reserve(component.size());
        for (const char16_t c : component)
            bytes.push_back(static_cast<char>(c & 0xFF));
    }
    // Quoted-printable, in place: the decoded text is never longer than the input.
    std::size_t write = 0;
    for (std::size_t read = 0; read < bytes.size();) {
        if (bytes[read] == '=' && read + 2 < bytes.size()) {
            const auto high = HexCharToChar(static_cast<std::uint8_t>(bytes[read + 1]));
            const auto low = HexCharToChar(static_cast<std::uint8_t>(bytes[read + 2]));
            bytes[write++] = static_cast<char>(static_cast<std::uint8_t>(high * 16 + low));
            read += 3;
        } else {
            bytes[write++] = bytes[read++];
        }
    }
    bytes.resize(write);
    while (!bytes.empty() && bytes.back() == '\n')
        bytes.pop_back();
    while (!bytes.empty() && bytes.back() == '\r')
        bytes.pop_back();
    DecodeUtf8OrLatin1(bytes, out);
    if (keepLineBreaks)
        return;
    // A line feed followed by a blank (a fold that survived as quoted-printable) is a plain line feed.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[kept++] = out[i];
        if (out[i] == u'\n' && i + 1 < out.size() && out[i + 1] == u' ')
            ++i;
    }
    out.resize(kept);
}
