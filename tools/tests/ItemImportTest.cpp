#include "ItemImport.h"

#include "pim/OutlookManager.h"
#include "platform/PimStore.h"
#include "utils/Utf.h"

#include <gtest/gtest.h>

// Every item of the file is added, each kind to its folder; one the reader rejects is listed by its
// number and the others still go in.
TEST(ItemImport, AddsEveryItemAndListsTheRejected)
{
    OutlookManager manager(CreateMemoryPimStore());
    const ImportOutcome outcome =
        ImportItemFile(manager, "BEGIN:VCARD\r\nN:a\r\nEND:VCARD\r\n"
                                "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:b\r\n"
                                "END:VEVENT\r\nBEGIN:VTODO\r\nSUMMARY:c\r\nEND:VTODO\r\n"
                                "END:VCALENDAR\r\nBEGIN:VCARD\r\nN:cut off\r\n");
    EXPECT_EQ(outcome.items, 4u);
    EXPECT_EQ(outcome.added, 3u);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0], std::make_pair(std::size_t{4}, E_FAIL));
    ASSERT_EQ(manager.LoadContacts(), S_OK);
    EXPECT_NE(manager.GetNextContact(), nullptr);
    EXPECT_EQ(manager.GetNextContact(), nullptr);
    ASSERT_EQ(manager.LoadTasks(100000, 100000), S_OK);
    EXPECT_NE(manager.GetNextTask(), nullptr);
}

// An edit keeps the item's id and replaces everything it held; a text of another kind changes nothing.
TEST(ItemImport, EditKeepsTheIdAndReplacesTheWholeItem)
{
    std::unique_ptr<PimStore> owned = CreateMemoryPimStore();
    PimStore& store = *owned;
    OutlookManager manager(std::move(owned));
    ASSERT_EQ(ImportItemFile(manager, "BEGIN:VCARD\r\nN:Doe;Jane\r\nTEL;CELL:555\r\n"
                                      "PHOTO;ENCODING=BASE64;TYPE=PNG:iVBORw0KGgo=\r\n\r\nEND:VCARD\r\n")
                  .added,
              1u);
    ASSERT_EQ(manager.LoadContacts(), S_OK);
    ItemInfo* imported = manager.GetNextContact();
    ASSERT_EQ(manager.FillItemText(*imported), S_OK);
    ASSERT_NE(imported->data.find(u"PHOTO"), std::u16string::npos);
    const std::uint32_t oid = static_cast<std::uint32_t>(std::stoul(Utf16ToUtf8(imported->luid)));
    struct Case {
        std::u16string text;
        HRESULT status;
        std::u16string name;
    };
    const Case cases[] = {
        {u"BEGIN:VCARD\r\nN:Doe;Janet\r\nEND:VCARD\r\n", S_OK, u"N:Doe;Janet;;;\r\nEND:VCARD"},
        {u"BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nSUMMARY:x\r\nEND:VTODO\r\nEND:VCALENDAR\r\n", E_FAIL,
         u"N:Doe;Janet;;;\r\nEND:VCARD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EditItem(store, oid, c.text), c.status);
        ASSERT_EQ(manager.LoadContacts(), S_OK);
        ItemInfo* edited = manager.GetNextContact();
        ASSERT_NE(edited, nullptr);
        ASSERT_EQ(manager.FillItemText(*edited), S_OK);
        EXPECT_EQ(edited->luid, DecimalText(oid));
        EXPECT_NE(edited->data.find(c.name), std::u16string::npos) << Utf16ToUtf8(edited->data);
        EXPECT_EQ(edited->data.find(u"PHOTO"), std::u16string::npos) << "the picture went with the edit";
    }
    EXPECT_EQ(EditItem(store, oid + 1, cases[0].text), E_PIM_NOT_FOUND);
}
