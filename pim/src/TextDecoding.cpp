#include "TextDecoding.h"

#include "CharsetDecoder.h"
#include "utils/Utf.h"

#include <cstdint>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int HexValue(char c)
{
    if (c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

// The character after a backslash that makes an escape in this mode.
bool IsEscaped(char16_t next, Escapes escapes)
{
    if (escapes == Escapes::Semicolon)
        return next == u';';
    return escapes == Escapes::Full &&
           (next == u';' || next == u',' || next == u'\\' || next == u'n' || next == u'N');
}

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Unicode text as it stands, lone surrogates replaced.
void CopyWide(std::u16string_view text, std::u16string& out)
{
    out.assign(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (IsHighSurrogate(out[i]) && i + 1 < out.size() && IsLowSurrogate(out[i + 1]))
            ++i;
        else if (out[i] >= 0xD800 && out[i] <= 0xDFFF)
            out[i] = kReplacement;
    }
}

// Quoted-printable in place: the decoded text is never longer than the input.
void DecodeQuotedPrintable(std::string& bytes)
{
    std::size_t write = 0;
    for (std::size_t read = 0; read < bytes.size();) {
        if (bytes[read] == '=' && read + 2 < bytes.size() && IsHexDigit(bytes[read + 1]) &&
            IsHexDigit(bytes[read + 2])) {
            bytes[write++] = static_cast<char>(HexValue(bytes[read + 1]) * 16 + HexValue(bytes[read + 2]));
            read += 3;
        } else {
            bytes[write++] = bytes[read++];
        }
    }
    bytes.resize(write);
}

template <typename Text> void TrimLineEnds(Text& text)
{
    while (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    while (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
}

void TrimLineEnds(std::string& text)
{
    std::string_view view(text);
    TrimLineEnds(view);
    text.resize(view.size());
}

// Resolves escapes; "\n" becomes CR LF. In place unless the text holds such a line break.
void Unescape(std::u16string& text, Escapes escapes)
{
    std::size_t lineBreaks = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'\\' && IsEscaped(text[i + 1], escapes)) {
            lineBreaks += text[i + 1] == u'n' || text[i + 1] == u'N';
            ++i;
        }
    }
    std::u16string widened;
    std::u16string& target = lineBreaks == 0 ? text : widened;
    if (lineBreaks != 0)
        widened.resize(text.size() + lineBreaks);
    std::size_t write = 0;
    for (std::size_t read = 0; read < text.size(); ++read) {
        char16_t c = text[read];
        if (c == u'\\' && read + 1 < text.size() && IsEscaped(text[read + 1], escapes)) {
            c = text[++read];
            if (c == u'n' || c == u'N') {
                target[write++] = u'\r';
                c = u'\n';
            }
        }
        target[write++] = c;
    }
    target.resize(write);
    if (lineBreaks != 0)
        text.swap(widened);
}

} // namespace

std::size_t FindSeparator(std::u16string_view value, Escapes escapes)
{
    if (escapes == Escapes::None)
        return value.find(u';');
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size() && IsEscaped(value[i + 1], escapes))
            ++i;
        else if (value[i] == u';')
            return i;
    }
    return std::u16string_view::npos;
}

void DecodeComponent(std::u16string_view component, const ValueDecoding& decoding, CCharsetDecoder& charsets,
                     std::string& scratch, std::u16string& out)
{
    char16_t highest = 0;
    bool backslash = false;
    for (const char16_t c : component) {
        highest = c > highest ? c : highest;
        backslash = backslash || c == u'\\';
    }
    const bool wide = highest > 0xFF;
    if (!decoding.quotedPrintable && (decoding.charset.empty() || wide)) {
        // The common case: no byte-level decoding, only the characters to look at.
        TrimLineEnds(component);
        if (wide)
            CopyWide(component, out);
        else if (highest >= 0x80)
            DecodeUtf8OrLatin1(component, out);
        else
            out.assign(component);
    } else {
        std::string& bytes = scratch;
        if (wide) {
            bytes = Utf16ToUtf8(component);
        } else {
            bytes.resize(component.size());
            for (std::size_t i = 0; i < component.size(); ++i)
                bytes[i] = static_cast<char>(component[i]);
        }
        if (decoding.quotedPrintable)
            DecodeQuotedPrintable(bytes);
        TrimLineEnds(bytes);
        if (wide || decoding.charset.empty() || !charsets.Decode(decoding.charset, bytes, out))
            DecodeUtf8OrLatin1(std::string_view(bytes), out);
        backslash = out.find(u'\\') != std::u16string::npos;
    }
    if (backslash && decoding.escapes != Escapes::None)
        Unescape(out, decoding.escapes);
}
