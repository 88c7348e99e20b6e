#include "ItemImport.h"

#include "pim/OutlookManager.h"
#include "platform/PimStore.h"

#include <gtest/gtest.h>

// Every item of the file is added, each kind to its folder; one the reader rejects is listed by its
// number and the others still go in.
TEST(ItemImport, AddsEveryItemAndListsTheRejected)
{
    OutlookManager manager(CreateMemoryPimStore());
    const ImportOutcome outcome = ImportItemFile(manager, "BEGIN:VCARD\r\nN:a\r\nEND:VCARD\r\n"
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
