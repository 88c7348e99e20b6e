#include "ItemFile.h"

#include <gtest/gtest.h>

TEST(ItemFile, SplitsCardsAndWrapsCalendarItems)
{
    const auto items = SplitItemTexts(u"BEGIN:VCARD\nN:a\n NOTE-continued\nEND:VCARD\n"
                                      u"junk between\r\n"
                                      u"begin:vcard\r\nN:b\r\nend:vcard"
                                      u"\r\nBEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\nSUMMARY:x\r\n"
                                      u"BEGIN:VALARM\r\nEND:VALARM\r\nEND:VEVENT\r\nBEGIN:VTODO\r\nSUMMARY:y\r\n"
                                      u"END:VTODO\r\nEND:VCALENDAR\r\nBEGIN:VCARD\r\nN:open\r\n");
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0], u"BEGIN:VCARD\r\nN:a\r\n NOTE-continued\r\nEND:VCARD\r\n");
    EXPECT_EQ(items[1], u"begin:vcard\r\nN:b\r\nend:vcard\r\n");
    EXPECT_EQ(items[2], u"BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\nSUMMARY:x\r\nBEGIN:VALARM\r\n"
                        u"END:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    EXPECT_EQ(items[3], u"BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VTODO\r\nSUMMARY:y\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
    EXPECT_EQ(items[4], u"BEGIN:VCARD\r\nN:open\r\n");
    EXPECT_TRUE(SplitItemTexts(u"nothing here").empty());
}

TEST(ItemFile, DecodesUtf8AndEightBitFiles)
{
    EXPECT_EQ(DecodeItemFile("\xEF\xBB\xBFN:M\xC3\xBCller"), u"N:Müller");
    EXPECT_EQ(DecodeItemFile("N:M\xFCller"), u"N:Müller");
}

TEST(ItemFile, DecodesUtf16EitherWayWithOrWithoutMark)
{
    const std::u16string text = u"BEGIN:VCARD\r\nN:Øster\r\nEND:VCARD\r\n";
    std::string little;
    std::string big;
    for (const char16_t c : text) {
        little += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        big += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
    }
    const std::pair<const char*, std::string> files[] = {
        {"little-endian with mark", "\xFF\xFE" + little},
        {"big-endian with mark", "\xFE\xFF" + big},
        {"little-endian", little},
        {"big-endian", big},
    };
    for (const auto& [what, bytes] : files)
        EXPECT_EQ(DecodeItemFile(bytes), text) << what;
}

TEST(ItemFile, SplitsCrOnlyFilesAndKeepsNestedCardsInTheirParent)
{
    const auto lines = SplitItemTexts(u"BEGIN:VCARD\rN:a\rEND:VCARD\rBEGIN:VCARD\rN:b\rEND:VCARD\r");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], u"BEGIN:VCARD\r\nN:b\r\nEND:VCARD\r\n");

    const std::u16string parent = u"BEGIN:VCARD\r\nN:parent\r\nAGENT:\r\nBEGIN:VCARD\r\nN:agent\r\nEND:VCARD\r\n"
                                  u"agent:begin:vcard\r\nN:second\r\nend:vcard\r\nTITLE:t\r\nEND:VCARD\r\n";
    const auto nested = SplitItemTexts(parent + u"BEGIN:VCARD\r\nN:next\r\nEND:VCARD\r\n");
    ASSERT_EQ(nested.size(), 2u);
    EXPECT_EQ(nested[0], parent);
}
