#include "utils/Utf.h"

#include <gtest/gtest.h>

TEST(Utf, RoundTripsEveryPlane)
{
    const std::u16string text = u"Müller Жуков 王 \U0001F600 a\0b";
    const std::u16string withZero(text.data(), text.size());
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(withZero)), withZero);
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
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
