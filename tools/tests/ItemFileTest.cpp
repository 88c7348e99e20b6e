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
