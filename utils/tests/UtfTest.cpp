#include "utils/Utf.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(Utf, RoundTripsEveryPlane)
{
    const std::u16string text = u"Müller Жуков 王 \U0001F600 a\0b";
    const std::u16string withZero(text.data(), text.size());
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(withZero)), withZero);
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

// Each boundary where the UTF-8 form changes length or a range begins or ends, both directions.
TEST(Utf, EveryLengthBoundaryEncodesAndDecodesByTheBook)
{
    struct Case {
        char32_t codePoint;
        std::u16string wide;
        std::string utf8;
    };
    const Case cases[] = {
        {0x7F, u"\u007F", "\x7F"},
        {0x80, u"\u0080", "\xC2\x80"},
        {0x7FF, u"\u07FF", "\xDF\xBF"},
        {0x800, u"\u0800", "\xE0\xA0\x80"},
        {0xD7FF, u"\uD7FF", "\xED\x9F\xBF"},
        {0xE000, u"\uE000", "\xEE\x80\x80"},
        {0xFFFF, std::u16string(1, char16_t(0xFFFF)), "\xEF\xBF\xBF"},
        {0x10000, u"\U00010000", "\xF0\x90\x80\x80"},
        {0x10FFFF, u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf16ToUtf8(c.wide), c.utf8) << std::hex << static_cast<std::uint32_t>(c.codePoint);
        EXPECT_EQ(UnicodeToUTF8(c.wide), c.utf8) << std::hex << static_cast<std::uint32_t>(c.codePoint);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.wide) << std::hex << static_cast<std::uint32_t>(c.codePoint);
        EXPECT_TRUE(IsValidUtf8(c.utf8)) << std::hex << static_cast<std::uint32_t>(c.codePoint);
        std::size_t pos = 0;
        EXPECT_EQ(ReadUtf8Sequence(c.utf8, pos), std::optional<char32_t>(c.codePoint))
            << std::hex << static_cast<std::uint32_t>(c.codePoint);
        EXPECT_EQ(pos, c.utf8.size()) << std::hex << static_cast<std::uint32_t>(c.codePoint);
    }

    // Surrogates pair only high then low; anything else is one replacement each.
    const std::pair<std::u16string, std::string> surrogates[] = {
        {{char16_t(0xD800), char16_t(0xDC00)}, "\xF0\x90\x80\x80"},
        {{char16_t(0xDBFF), char16_t(0xDFFF)}, "\xF4\x8F\xBF\xBF"},
        {{char16_t(0xDC00), char16_t(0xD800)}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {{char16_t(0xD800), u'a'}, "\xEF\xBF\xBD" "a"},
        {{char16_t(0xD800), char16_t(0xD800), char16_t(0xDC00)}, "\xEF\xBF\xBD\xF0\x90\x80\x80"},
    };
    for (const auto& [wide, utf8] : surrogates)
        EXPECT_EQ(Utf16ToUtf8(wide), utf8) << utf8.size();

    // Overlong forms of the last code point of each shorter length, and the encoded surrogates.
    const std::pair<std::string, std::u16string> invalid[] = {
        {"\xC1\xBF", u"\uFFFD\uFFFD"},
        {"\xE0\x9F\xBF", u"\uFFFD\uFFFD\uFFFD"},
        {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xED\xBF\xBF", u"\uFFFD\uFFFD\uFFFD"},
    };
    for (const auto& [utf8, wide] : invalid) {
        EXPECT_EQ(Utf8ToUtf16(utf8), wide) << utf8.size();
        EXPECT_FALSE(IsValidUtf8(utf8)) << utf8.size();
        std::size_t pos = 0;
        EXPECT_FALSE(ReadUtf8Sequence(utf8, pos)) << utf8.size();
        EXPECT_EQ(pos, 0u);
    }
}

TEST(Utf, UnicodeToUTF8EndsAtFirstZero)
{
    const std::u16string text(u"ab\0cd", 5);
    EXPECT_EQ(UnicodeToUTF8(text), "ab");
}

TEST(Utf, InvalidInputBecomesReplacementCharacters)
{
    struct Case {
        std::string bytes;
        std::u16string expected;
    };
    const Case cases[] = {
        {"\xC3", u"\uFFFD"},                               // truncated sequence
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong "/"
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"a\xFFz", u"a\uFFFDz"},
        {"\xE2\x82", u"\uFFFD"}, // cut short at the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.bytes), c.expected) << "input of " << c.bytes.size() << " bytes";
        EXPECT_FALSE(IsValidUtf8(c.bytes));
    }
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD"); // lone high surrogate
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))) + "x", "\xEF\xBF\xBDx");
    EXPECT_TRUE(IsValidUtf8("M\xC3\xBCller \xEF\xBF\xBD"));
}

TEST(Utf, Latin1IsOneBytePerCharacter)
{
    EXPECT_EQ(Latin1ToUtf16("M\xFCller"), u"Müller");
    EXPECT_EQ(Utf16ToLatin1(u"Müller Ж"), "M\xFCller ?");
}

TEST(Utf, EncodedUTF8EscapesBytesFrom0x80)
{
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"\u00E9", u"=C3=A9"},
        {u"a=b", u"a=b"}, // "=" itself is not escaped
        {u"\u20AC1", u"=E2=82=AC1"},
        {u"\U0001F600", u"=F0=9F=98=80"},
        {std::u16string(u"a\0\u00E9", 3), u"a"}, // ends at the first zero, as UnicodeToUTF8
        {u"\r\n", u"\r\n"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(UnicodeToEncodedUTF8(text), expected);
}
