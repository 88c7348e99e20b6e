// Quoted-printable, hexadecimal and block folding of item and header text, and decimal numbers.
#include "utils/Decimal.h"
#include "utils/Hex.h"
#include "utils/QuotedPrintable.h"
#include "utils/TextBlock.h"
#include "utils/Utf.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(QuotedPrintableHeader, EscapesWhatAHeaderCannotCarry)
{
    const std::string blanks70(70, ' ');
    const std::pair<std::string, std::string> cases[] = {
        {"abc!~<>", "abc!~<>"},
        {"a=b", "a=3Db"},
        {"\xC3\xA9", "=C3=A9"},
        {"a b\tc", "a b\tc"},
        {"\r\n\x7F", "=0D=0A=7F"},
        {"\0"s, "=00"},
        {std::string(63, 'x') + " ", std::string(63, 'x') + " "},        // 63 written: still copied
        {std::string(64, 'x') + " \t", std::string(64, 'x') + "=20=09"}, // from the 64th on: escaped
        {blanks70, std::string(64, ' ') + "=20=20=20=20=20=20"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(QuotedPrintableHeader(bytes), text) << bytes;
    // Escapes count as the three characters they write: 22 "=3D" are 66 characters, so the blank after
    // them is escaped.
    std::string escaped;
    for (int i = 0; i < 22; ++i)
        escaped += "=3D";
    EXPECT_EQ(QuotedPrintableHeader(std::string(22, '=') + " "), escaped + "=20");
}

TEST(Hex, CharToCharReadsDigitsOfBothCasesWithoutValidating)
{
    const std::pair<char16_t, std::uint8_t> cases[] = {
        {u'0', 0},  {u'9', 9},  {u'A', 10},  {u'F', 15}, {u'a', 10}, {u'f', 15},
        {u'G', 16}, {u'g', 16}, {u'/', 255}, {u':', 3},  {u'`', 41}, {u'\u0130', 217},
    };
    for (const auto& [character, value] : cases)
        EXPECT_EQ(HexCharToChar(character), value) << int(character);
}

TEST(Hex, StringToStringKeepsPrintableValuesOnly)
{
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"414243", u"ABC"},
        {u"41FF42", u"AB"},
        {u"4142F", u"AB"},
        {u"6162", u"ab"},
        {u"200A7F80", u" \u007F"}, // 0x20 and 0x7F stay; a control and 0x80 go
        {u"1F", u""},
        {u"", u""},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(HexStringToString(text), expected) << std::string(text.begin(), text.end());
    EXPECT_EQ(HexUpper("\0\xAB\xFFz"s), "00ABFF7A");
}

TEST(LongStringToBlock, CutsIntoPrefixedLines)
{
    struct Case {
        std::u16string text;
        std::u16string prefix;
        int width;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"ABCDEFG", u" ", 3, u"\r\n ABC\r\n DEF\r\n G"},
        {u"ABCDEF", u" ", 3, u"\r\n ABC\r\n DEF"},
        {u"ABC", u"", 76, u"\r\nABC"},
        {u"", u" ", 3, u""},
        {u"AB", u">", 0, u"\r\n>A\r\n>B"}, // a width below 1 is taken as 1
        {u"AB", u">", -4, u"\r\n>A\r\n>B"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LongStringToBlock(c.text, c.prefix, c.width), c.expected) << "width " << c.width;
}

TEST(ReadDecimalInt32, ReadsAsPercentDReads)
{
    const std::pair<std::u16string_view, std::optional<std::int32_t>> cases[] = {
        {u"0", 0},
        {u"  42abc", 42},
        {u"+7", 7},
        {u"-2147483648", INT32_MIN},
        {u"2147483647", INT32_MAX},
        {u"2147483648", std::nullopt},
        {u"99999999999999999999", std::nullopt},
        {u"", std::nullopt},
        {u"-", std::nullopt},
        {u"x1", std::nullopt},
    };
    for (const auto& [text, number] : cases)
        EXPECT_EQ(ReadDecimalInt32(text), number) << Utf16ToUtf8(text);
}
