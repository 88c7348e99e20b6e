// The checksum pim.db keeps beside each contact must be the one of the text the PIM library writes for
// the contact, whatever wrote it: an import, an edit, a restored chunk, another program, and a store of
// the layout before the checksums.

#include "ItemImport.h"

#include "pim/ItemConverter.h"
#include "pim/OutlookManager.h"
#include "pim/PimBatch.h"
#include "platform/PimStore.h"
#include "platform/Sqlite.h"
#include "testing/TempDir.h"
#include "utils/Utf.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

std::string Card(const std::string& name, const std::string& extra = "")
{
    return "BEGIN:VCARD\r\nVERSION:2.1\r\nN:" + name + ";Ann\r\n" + extra + "END:VCARD\r\n";
}

// The kept checksum of every contact (nullopt: unknown) against the one of its text as written now.
struct Kept {
    std::map<std::uint32_t, std::optional<std::uint32_t>> stored;
    std::map<std::uint32_t, std::uint32_t> computed;
};

Kept ReadKept(const std::filesystem::path& file)
{
    Kept kept;
    CSqliteDb db;
    EXPECT_TRUE(db.Open(file).Ok());
    CSqliteStatement rows = db.Prepare("SELECT oid, checksum FROM items WHERE folder = 10");
    while (rows.Step())
        kept.stored[static_cast<std::uint32_t>(rows.Int(0))] =
            rows.IsNull(1) ? std::nullopt : std::optional(static_cast<std::uint32_t>(rows.Int(1)));
    std::unique_ptr<PimStore> store = CreateSqlitePimStore(file);
    EXPECT_EQ(store->Logon(), S_OK);
    for (const auto& [oid, checksum] : kept.stored) {
        std::unique_ptr<CPimItem> item;
        EXPECT_EQ(FindPimItem(*store, oid, item), S_OK);
        ItemConverter converter;
        EXPECT_EQ(converter.Attach(*item), S_OK);
        kept.computed[oid] = ItemChecksum(converter.GetText());
    }
    return kept;
}

void ExpectKeptChecksumsRight(const std::filesystem::path& file, std::size_t contacts)
{
    const Kept kept = ReadKept(file);
    EXPECT_EQ(kept.stored.size(), contacts);
    for (const auto& [oid, checksum] : kept.stored) {
        ASSERT_TRUE(checksum.has_value()) << "contact " << oid << " has no kept checksum";
        EXPECT_EQ(*checksum, kept.computed.at(oid)) << "contact " << oid;
    }
}

std::uint32_t FirstContact(OutlookManager& manager)
{
    EXPECT_EQ(manager.LoadContacts(), S_OK);
    const ItemInfo* first = manager.GetNextContact();
    return first ? static_cast<std::uint32_t>(std::stoul(Utf16ToUtf8(first->luid))) : 0;
}

} // namespace

TEST(KeptChecksum, EveryWriteKeepsTheChecksumOfTheTextItWrote)
{
    TempDir dir;
    const std::filesystem::path file = dir.Path() / "pim.db";
    OutlookManager manager(CreateSqlitePimStore(file));
    std::unique_ptr<PimStore> store = CreateSqlitePimStore(file);
    ASSERT_EQ(store->Logon(), S_OK);
    struct Step {
        const char* name;
        std::function<void()> write;
        std::size_t contacts; // afterwards
    };
    const Step steps[] = {
        {"import",
         [&] {
             const ImportOutcome outcome = ImportItemFile(
                 manager, Card("Zoë", "NOTE;ENCODING=QUOTED-PRINTABLE:line=0D=0Anext\r\n") +
                              Card("Photo", "PHOTO;ENCODING=BASE64;TYPE=PNG:iVBORw0KGgo=\r\n\r\n") + Card("Third"));
             EXPECT_EQ(outcome.added, 3u);
         },
         3},
        {"edit", [&] { EXPECT_EQ(EditItem(*store, FirstContact(manager), Utf8ToUtf16(Card("Edited"))), S_OK); }, 3},
        {"restore chunk",
         [&] {
             CPimBatch batch(manager);
             ContactInfo changed;
             changed.luid = DecimalText(FirstContact(manager));
             changed.data = Utf8ToUtf16(Card("Restored", "TEL;CELL:+1 555 0100\r\n"));
             EXPECT_EQ(manager.UpdateContact(changed), S_OK);
             ContactInfo added;
             added.data = Utf8ToUtf16(Card("Added"));
             EXPECT_EQ(manager.UpdateContact(added), S_OK);
             EXPECT_EQ(batch.Commit(), S_OK);
         },
         4},
        {"delete",
         [&] {
             ContactInfo gone;
             gone.luid = DecimalText(FirstContact(manager));
             EXPECT_EQ(manager.DeleteContact(gone), S_OK);
         },
         3},
        {"change by another program, filled by the next load",
         [&] {
             std::unique_ptr<CPimItem> item;
             ASSERT_EQ(FindPimItem(*store, FirstContact(manager), item), S_OK);
             ASSERT_EQ(item->SetText(PimField::FirstName, u"Changed"), S_OK);
             ASSERT_EQ(item->Save(), S_OK);
             EXPECT_FALSE(ReadKept(file).stored.at(item->Oid()).has_value()) << "a change forgets the checksum";
             EXPECT_EQ(manager.LoadContacts(), S_OK);
         },
         3},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.write();
        ExpectKeptChecksumsRight(file, step.contacts);
        // The list a load gives from the kept checksums is the one the texts give.
        OutlookManager reader(CreateSqlitePimStore(file));
        ASSERT_EQ(reader.LoadContacts(), S_OK);
        CFolderChecksum folder;
        for (ItemInfo* info = reader.GetNextContact(); info; info = reader.GetNextContact()) {
            const std::u16string kept = info->crc;
            ASSERT_EQ(reader.FillItemText(*info), S_OK);
            EXPECT_EQ(info->crc, kept);
            folder.Add(*info);
        }
        EXPECT_EQ(reader.GetContactsCRC(), folder.Value());
    }
}

// A store of the layout before the checksums is brought up in place, and its first load computes the
// checksums once and keeps them; the items stay as they were.
TEST(KeptChecksum, StoreOfTheLayoutBeforeIsUpgradedAndFilledOnce)
{
    TempDir dir;
    const std::filesystem::path file = dir.Path() / "pim.db";
    std::uint32_t before = 0;
    {
        OutlookManager manager(CreateSqlitePimStore(file));
        ASSERT_EQ(ImportItemFile(manager, Card("One") + Card("Two", "NOTE:x\r\n")).added, 2u);
        ASSERT_EQ(ImportItemFile(manager, "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:s\r\n"
                                          "DTSTART:20250620T090000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
                      .added,
                  1u);
        ASSERT_EQ(manager.LoadContacts(), S_OK);
        before = manager.GetContactsCRC();
    }
    {
        CSqliteDb db;
        ASSERT_TRUE(db.Open(file).Ok());
        ASSERT_TRUE(db.Exec("ALTER TABLE items DROP COLUMN checksum; DROP TABLE unsent_map;").Ok());
        ASSERT_TRUE(db.SetUserVersion(1).Ok());
    }

    OutlookManager manager(CreateSqlitePimStore(file));
    ASSERT_EQ(manager.LoadContacts(), S_OK);
    EXPECT_EQ(manager.GetContactsCRC(), before);
    ExpectKeptChecksumsRight(file, 2);
    CSqliteDb db;
    ASSERT_TRUE(db.Open(file).Ok());
    EXPECT_GE(db.UserVersion(), 2);
    ASSERT_EQ(manager.LoadAppointments(100000, 100000), S_OK);
    EXPECT_NE(manager.GetNextAppointment(), nullptr) << "the appointment reads after the upgrade";
}
