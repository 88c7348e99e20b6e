#include "PropertyWriter.h"

#include "CharsetDecoder.h"
#include "utils/Utf.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::size_t kMaxComponents = 8;
constexpr std::u16string_view kEncodedParameters = u";CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE";

bool IsSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool IsLineBreak(char16_t c)
{
    return c == u'\r' || c == u'\n';
}

std::u16string_view Trimmed(std::u16string_view value, LineBreaks breaks)
{
    while (!value.empty() && (breaks == LineBreaks::Fold ? IsSpace(value.back()) : IsLineBreak(value.back())))
        value.remove_suffix(1);
    return value;
}

// What writing a value needs beyond copying it.
struct Needs {
    bool encoding = false; // quoted-printable
    bool care = false;     // some character is escaped or folded
};

Needs NeedsOf(std::u16string_view value, ValueText text, LineBreaks breaks)
{
    Needs needs;
    char16_t highest = 0;
    bool lineBreak = false;
    for (const char16_t c : value) {
        highest = c > highest ? c : highest;
        lineBreak = lineBreak || IsLineBreak(c);
        needs.care = needs.care || (c == u';' && text != ValueText::Plain) ||
                     (c == u'\\' && text == ValueText::Structured);
    }
    needs.encoding = (lineBreak && breaks == LineBreaks::Encode) ||
                     (highest >= 0xC2 && highest <= 0xFF && HasUtf8Sequence(value));
    needs.care = needs.care || lineBreak;
    return needs;
}

// The UTF-8 bytes of the text: printable ASCII but "=" as it is, every other byte as "=" and two
// hexadecimal digits (a lone surrogate, which has no UTF-8, as U+FFFD).
void AppendQuotedPrintable(std::u16string& out, std::u16string_view value)
{
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    for (const char c : Utf16ToUtf8(value)) {
        const auto byte = static_cast<std::uint8_t>(c);
        if ((byte >= 0x20 && byte <= 0x7E && byte != '=') || byte == '\t') {
            out.push_back(byte);
            continue;
        }
        out.push_back(u'=');
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0xF]);
    }
}

// Escapes and folds one component into `out`, which is `escaped` scratch or the line itself.
void AppendEscaped(std::u16string& out, std::u16string_view value, ValueText text, LineBreaks breaks)
{
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char16_t c = value[i];
        if ((c == u';' && text != ValueText::Plain) || (c == u'\\' && text == ValueText::Structured)) {
            out.push_back(u'\\');
        } else if (breaks == LineBreaks::Fold && (c == u'\n' || (c == u'\r' && value.substr(i).starts_with(u"\r\n")))) {
            i += c == u'\r';
            out.append(u"\r\n ");
            continue;
        }
        out.push_back(c);
    }
}

} // namespace

void AppendProperty(std::u16string& out, std::u16string_view name,
                    std::span<const std::u16string* const> components, ValueText text, LineBreaks breaks)
{
    std::array<std::u16string_view, kMaxComponents> values;
    std::array<Needs, kMaxComponents> needs;
    std::size_t count = 0;
    bool present = false;
    bool encoding = false;
    for (const std::u16string* component : components) {
        if (count == kMaxComponents)
            break;
        values[count] = component ? Trimmed(*component, breaks) : std::u16string_view();
        needs[count] = NeedsOf(values[count], text, breaks);
        present = present || !values[count].empty();
        encoding = encoding || needs[count].encoding;
        ++count;
    }
    if (!present)
        return;
    out.append(name);
    if (encoding)
        out.append(kEncodedParameters);
    out.push_back(u':');
    std::u16string escaped;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            out.push_back(u';');
        if (!encoding && !needs[i].care) {
            out.append(values[i]);
        } else if (!encoding) {
            AppendEscaped(out, values[i], text, breaks);
        } else {
            // Line breaks are encoded, not folded: the escapes come first, then the encoding.
            escaped.clear();
            AppendEscaped(escaped, values[i], text, LineBreaks::Encode);
            AppendQuotedPrintable(out, escaped);
        }
    }
    out.append(u"\r\n");
}
