#include "pim/ItemInfo.h"

#include <gtest/gtest.h>

TEST(ItemInfo, ChecksumOfPublishedExamples)
{
    struct Case {
        std::u16string data;
        std::u16string crc;
    };
    const Case cases[] = {
        {u"", u"4294967295"},   // no byte processed, no final inversion
        {u"abc", u"1382712655"}, // bytes 61 00 62 00 63 00
    };
    for (const Case& c : cases) {
        ItemInfo item;
        item.data = c.data;
        item.luid = u"17";
        item.crc = u"stale";
        EXPECT_EQ(item.CalculateCRC(), S_OK);
        EXPECT_EQ(item.crc, c.crc);
        EXPECT_EQ(item.data, c.data);
        EXPECT_EQ(item.luid, u"17");
    }
}

TEST(ItemInfo, FolderChecksum)
{
    EXPECT_EQ(CFolderChecksum().Value(), 4294967295u);
    ItemInfo one;
    one.data = u"abc";
    one.CalculateCRC();
    CFolderChecksum folder;
    folder.Add(one);
    EXPECT_EQ(folder.Value(), 2838006781u);
}

TEST(ItemInfo, CopiesAreIndependent)
{
    ContactInfo source;
    source.data = u"BEGIN:VCARD";
    source.luid = u"5";
    ContactInfo copy = source;
    copy.data = u"changed";
    EXPECT_EQ(source.data, u"BEGIN:VCARD");
    TaskInfo assigned;
    assigned = TaskInfo{};
    EXPECT_TRUE(assigned.crc.empty() && assigned.data.empty() && assigned.luid.empty());
}

TEST(ItemInfo, DecimalTextCoversTheWholeRange)
{
    EXPECT_EQ(DecimalText(0), u"0");
    EXPECT_EQ(DecimalText(2147483647u), u"2147483647");
    EXPECT_EQ(DecimalText(4294967295u), u"4294967295");
}
