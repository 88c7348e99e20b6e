#include "CharsetDecoder.h"

#include "pim/AlmanacLog.h"
#include "utils/Utf.h"

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <optional>
#include <type_traits>
#include <utility>

namespace {

// Converters kept open per reader; a text naming more character sets than this reopens them.
constexpr std::size_t kMaxConverters = 4;
constexpr std::size_t kMaxNameLength = 32;
constexpr char16_t kReplacement = 0xFFFD;

// Upper-case name of a declared character set, with the names phones and mail programs use mapped to
// the sets they mean: Shift_JIS as written by handsets is Microsoft's code page 932 (its 0x5C is a
// backslash, not a yen sign), GB2312 text is read as its superset GBK. Nothing for names with
// characters a character set name never holds, so that no stray text reaches iconv.
std::optional<std::string> NormalisedName(std::u16string_view charset)
{
    if (charset.empty() || charset.size() > kMaxNameLength)
        return std::nullopt;
    std::string name;
    for (const char16_t c : charset) {
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
        const bool other = (c >= u'0' && c <= u'9') || c == u'-' || c == u'_' || c == u'.' || c == u':';
        if (!letter && !other)
            return std::nullopt;
        name.push_back(static_cast<char>(c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c));
    }
    static constexpr std::pair<std::string_view, std::string_view> kAliases[] = {
        {"SHIFT_JIS", "CP932"}, {"SHIFT-JIS", "CP932"}, {"SJIS", "CP932"},   {"X-SJIS", "CP932"},
        {"MS_KANJI", "CP932"},  {"GB2312", "GBK"},      {"EUC-CN", "GBK"},   {"X-GBK", "GBK"},
        {"X-BIG5", "BIG5"},     {"BIG-5", "BIG5"},      {"UTF8", "UTF-8"},   {"LATIN1", "ISO-8859-1"},
    };
    for (const auto& [alias, meant] : kAliases) {
        if (name == alias)
            return std::string(meant);
    }
    return name;
}

// The UTF-8 sequence starting at units[i], when one does; `length` is how many units it takes.
std::optional<char32_t> SequenceAt(std::string_view units, std::size_t i, std::size_t& length)
{
    std::size_t next = i;
    const std::optional<char32_t> code = ReadUtf8Sequence(units, next);
    length = next - i;
    return code;
}

std::optional<char32_t> SequenceAt(std::u16string_view units, std::size_t i, std::size_t& length)
{
    char window[4];
    std::size_t size = 0;
    for (; size < sizeof window && i + size < units.size() && units[i + size] <= 0xFF; ++size)
        window[size] = static_cast<char>(units[i + size]);
    return SequenceAt(std::string_view(window, size), 0, length);
}

// The output never has more units than the input has bytes, so it is written into place.
template <typename Char> void DecodeMixed(std::basic_string_view<Char> bytes, std::u16string& out)
{
    out.resize(bytes.size());
    std::size_t written = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto unit = static_cast<char16_t>(static_cast<std::make_unsigned_t<Char>>(bytes[i]));
        std::size_t length = 1;
        const std::optional<char32_t> code =
            unit < 0x80 || unit > 0xFF ? std::nullopt : SequenceAt(bytes, i, length);
        i += code ? length : 1;
        if (!code) {
            out[written++] = unit;
        } else if (*code < 0x10000) {
            out[written++] = static_cast<char16_t>(*code);
        } else {
            out[written++] = static_cast<char16_t>(0xD800 + ((*code - 0x10000) >> 10));
            out[written++] = static_cast<char16_t>(0xDC00 + ((*code - 0x10000) & 0x3FF));
        }
    }
    out.resize(written);
}

void DecodeLatin1(std::string_view bytes, std::u16string& out)
{
    out.resize(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<std::uint8_t>(bytes[i]);
}

constexpr const char* kWideCharset = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

} // namespace

bool IsDoubleByteCharset(std::u16string_view charset)
{
    if (charset.empty())
        return false;
    const std::optional<std::string> name = NormalisedName(charset);
    if (!name)
        return false;
    for (const std::string_view set :
         {"CP932", "WINDOWS-31J", "GBK", "CP936", "GB18030", "BIG5", "CP950", "BIG5-HKSCS"}) {
        if (*name == set)
            return true;
    }
    return false;
}

void DecodeUtf8OrLatin1(std::string_view bytes, std::u16string& out)
{
    DecodeMixed(bytes, out);
}

void DecodeUtf8OrLatin1(std::u16string_view bytes, std::u16string& out)
{
    DecodeMixed(bytes, out);
}

bool HasUtf8Sequence(std::u16string_view text)
{
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0xC2 && text[i] <= 0xF4 && SequenceAt(text, i, length))
            return true;
    }
    return false;
}

CCharsetDecoder::~CCharsetDecoder()
{
    for (const Converter& converter : m_converters) {
        if (converter.handle)
            iconv_close(static_cast<iconv_t>(converter.handle));
    }
}

CCharsetDecoder::Converter& CCharsetDecoder::Open(const std::string& name)
{
    for (Converter& converter : m_converters) {
        if (converter.name == name)
            return converter;
    }
    if (m_converters.size() == kMaxConverters) {
        if (m_converters.front().handle)
            iconv_close(static_cast<iconv_t>(m_converters.front().handle));
        m_converters.erase(m_converters.begin());
    }
    iconv_t handle = iconv_open(kWideCharset, name.c_str());
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        AlmanacLog("character set \"" + name + "\" is unknown; its values are read as UTF-8");
        handle = nullptr;
    }
    return m_converters.emplace_back(Converter{name, handle});
}

bool CCharsetDecoder::Decode(std::u16string_view charset, std::string_view bytes, std::u16string& out)
{
    const std::optional<std::string> name = NormalisedName(charset);
    if (!name) {
        AlmanacLog("a value declares a character set that is no name; it is read as UTF-8");
        return false;
    }
    if (*name == "UTF-8") {
        DecodeUtf8OrLatin1(bytes, out);
        return true;
    }
    if (*name == "ISO-8859-1" || *name == "US-ASCII") {
        DecodeLatin1(bytes, out);
        return true;
    }
    void* const handle = Open(*name).handle;
    if (!handle)
        return false;
    const auto converter = static_cast<iconv_t>(handle);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    // Every character set here gives at most one UTF-16 unit per byte, or a pair for four bytes.
    out.resize(bytes.size() + 1);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t written = 0;
    while (inLeft > 0) {
        char* target = reinterpret_cast<char*>(out.data() + written);
        std::size_t outLeft = (out.size() - written) * sizeof(char16_t);
        const std::size_t before = outLeft;
        const std::size_t result = iconv(converter, &in, &inLeft, &target, &outLeft);
        written += (before - outLeft) / sizeof(char16_t);
        if (result != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // A byte the set does not define, or a sequence cut off at the end: one replacement, go on.
        if (written == out.size())
            out.resize(out.size() * 2);
        out[written++] = kReplacement;
        ++in;
        --inLeft;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(written);
    return true;
}
