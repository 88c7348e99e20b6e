#include "PropertyReader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Property {
    std::u16string name;
    std::u16string first;
};

std::vector<Property> ReadAll(std::u16string_view text)
{
    CPropertyReader reader(text);
    std::vector<Property> properties;
    while (reader.Next())
        properties.push_back({std::u16string(reader.Name()), reader.NextComponent()});
    return properties;
}

std::u16string FirstValue(std::u16string_view text)
{
    const auto properties = ReadAll(text);
    return properties.empty() ? u"<none>" : properties.front().first;
}

} // namespace

TEST(PropertyReader, WalksPropertiesAndSkipsTheCdataMarker)
{
    const auto properties = ReadAll(u"![CDATA[BEGIN:VCARD\r\nTEL;WORK;VOICE:1\r\nEND:VCARD");
    ASSERT_EQ(properties.size(), 2u); // a last line without a line end is never read
    EXPECT_EQ(properties[0].name, u"BEGIN");
    EXPECT_EQ(properties[0].first, u"VCARD");
    EXPECT_EQ(properties[1].name, u"TEL;WORK;VOICE");
    EXPECT_EQ(properties[1].first, u"1");
}

TEST(PropertyReader, ComponentsOneAfterTheOther)
{
    CPropertyReader reader(u"N:Smith;John\r\n");
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.NextComponent(), u"Smith");
    EXPECT_EQ(reader.NextComponent(), u"John");
    EXPECT_EQ(reader.NextComponent(), u"");
    EXPECT_EQ(reader.NextComponent(), u"");
    EXPECT_FALSE(reader.Next());
}

TEST(PropertyReader, DecodesText)
{
    struct Case {
        const char* what;
        std::u16string text;
        std::u16string expected;
    };
    const Case cases[] = {
        {"quoted-printable UTF-8", u"N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller\r\n", u"Müller"},
        {"UTF-8 bytes one per character", u"N:M\u00C3\u00BCller\r\n", u"Müller"},
        {"Latin-1 character as it is", u"N:M\u00FCller\r\n", u"Müller"},
        {"quoted-printable Latin-1 byte", u"N;ENCODING=QUOTED-PRINTABLE:M=FCller\r\n", u"Müller"},
        {"Cyrillic", u"N:Жуков\r\n", u"Жуков"},
        {"CJK", u"N:王\r\n", u"王"},
        {"emoji", u"N:\U0001F600x\r\n", u"\U0001F600x"},
        {"mixed Unicode and Latin-1", u"N:Müller Жуков\r\n", u"Müller Жуков"},
        {"= without ENCODING is itself", u"N:a=3Db\r\n", u"a=3Db"},
        {"= at the end stays", u"N:ab=\r\n", u"ab="},
        {"trailing line breaks removed", u"N;QUOTED-PRINTABLE:x=0D=0A\r\n", u"x"},
        {"trailing CR removed", u"N;QUOTED-PRINTABLE:x=0A=0D\r\n", u"x\n"},
        {"lone bad byte kept as Latin-1", u"N;QUOTED-PRINTABLE:=FF=C3\r\n", u"\u00FF\u00C3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FirstValue(c.text), c.expected) << c.what;
}

TEST(PropertyReader, FoldedLineBreakInNoteAndDescriptionReadsBackAsCrLf)
{
    struct Case {
        const char* what;
        std::u16string text;
        std::u16string expected;
    };
    const Case cases[] = {
        {"CR LF blank", u"NOTE:a\r\n b\r\n", u"a\r\nb"},
        {"LF blank (after an XML parser)", u"NOTE:a\n b\n", u"a\r\nb"},
        {"description", u"DESCRIPTION:a\r\n b\r\n  c\r\n", u"a\r\nb\r\n c"},
        {"other properties unfold to one line", u"ADR;HOME:;;long\r\n street\r\n", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FirstValue(c.text), c.expected) << c.what;

    CPropertyReader reader(u"ADR;HOME:;;long\r\n street\r\n");
    ASSERT_TRUE(reader.Next());
    reader.NextComponent();
    reader.NextComponent();
    EXPECT_EQ(reader.NextComponent(), u"longstreet");
}

TEST(PropertyReader, QuotedPrintableSoftLineBreakContinuesTheValue)
{
    const auto properties =
        ReadAll(u"NOTE;ENCODING=QUOTED-PRINTABLE:first=\r\nsecond\r\nTEL:1\r\n");
    ASSERT_EQ(properties.size(), 2u);
    EXPECT_EQ(properties[0].first, u"firstsecond");
    EXPECT_EQ(properties[1].name, u"TEL");
}

TEST(PropertyReader, LineWithoutColonIsAPropertyWithoutValue)
{
    const auto properties = ReadAll(u"garbage\r\nTEL:1\r\n");
    ASSERT_EQ(properties.size(), 2u);
    EXPECT_EQ(properties[0].name, u"garbage");
    EXPECT_EQ(properties[0].first, u"");
    EXPECT_EQ(properties[1].first, u"1");
    EXPECT_TRUE(ReadAll(u"no colon at all\r\n").empty());
    EXPECT_TRUE(ReadAll(u"TEL:1").empty());
}

TEST(PropertyReader, ManyLinesWithoutColonAreReadInLinearTime)
{
    // 200,000 lines and a single ":" at the very end: a search from every line to the end of the text
    // would take minutes.
    std::u16string text;
    for (int i = 0; i < 200000; ++i)
        text += u"x\n";
    text += u"N:last\n";
    CPropertyReader reader(text);
    std::size_t count = 0;
    std::u16string last;
    while (reader.Next()) {
        ++count;
        last = reader.NextComponent();
    }
    EXPECT_EQ(count, 200001u);
    EXPECT_EQ(last, u"last");
}
