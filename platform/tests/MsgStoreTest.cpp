#include "platform/MAPIMsgStore.h"
#include "platform/Sqlite.h"

#include "testing/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class MsgStoreTest : public ::testing::Test {
protected:
    void SetUp() override { m_store = OpenStore(); }

    std::unique_ptr<MAPIMsgStore> OpenStore(std::u16string_view name = u"SMS")
    {
        std::string error;
        auto store = MAPIMsgStore::Open(File(), name, error);
        EXPECT_EQ(store == nullptr, !error.empty()) << error;
        return store;
    }

    std::filesystem::path File() const { return m_dir.Path() / "data" / "messages.db"; }

    std::unique_ptr<SmsFolder> Special(MsgSpecialFolder folder) { return m_store->OpenSpecialFolder(folder); }

    std::vector<EntryId> Entries(const SmsFolder& folder)
    {
        std::vector<MsgStoreEntry> list;
        EXPECT_TRUE(folder.ListMessages(list));
        std::vector<EntryId> entries;
        for (const MsgStoreEntry& entry : list)
            entries.push_back(entry.entryId);
        return entries;
    }

    EntryId WriteText(SmsFolder& folder, std::u16string_view text)
    {
        auto message = folder.CreateSmsMessage();
        EXPECT_TRUE(folder.WriteSms(*message, text, u"+100", u"+200", kFileTimeAt1970));
        return message->Entry();
    }

    // Makes the file refuse every deletion of a message, as a store may refuse one it holds open.
    void RefuseDeletions()
    {
        CSqliteDb db;
        ASSERT_TRUE(db.Open(File()).Ok());
        ASSERT_TRUE(db.Exec("CREATE TRIGGER refuse BEFORE DELETE ON messages BEGIN "
                            "SELECT RAISE(ABORT, 'message is in use'); END;")
                        .Ok());
    }

    TempDir m_dir;
    std::unique_ptr<MAPIMsgStore> m_store;
};

TEST_F(MsgStoreTest, NewFileHoldsTheSmsStoreWithItsFolders)
{
    ASSERT_TRUE(m_store);
    std::vector<MsgStoreEntry> top;
    ASSERT_TRUE(m_store->ListTopFolders(top));
    std::vector<std::u16string> names;
    for (const MsgStoreEntry& entry : top)
        names.push_back(entry.displayName);
    EXPECT_EQ(names,
              (std::vector<std::u16string>{u"inbox", u"Sent Items", u"Drafts", u"Outbox", u"Deleted Items"}));

    const std::pair<MsgSpecialFolder, std::u16string> special[] = {
        {MsgSpecialFolder::DeletedItems, u"Deleted Items"},
        {MsgSpecialFolder::Drafts, u"Drafts"},
        {MsgSpecialFolder::Inbox, u"inbox"},
        {MsgSpecialFolder::Outbox, u"Outbox"},
        {MsgSpecialFolder::SentItems, u"Sent Items"},
    };
    for (const auto& [index, name] : special) {
        const auto folder = Special(index);
        ASSERT_TRUE(folder) << static_cast<int>(index);
        EXPECT_EQ(folder->Name(), name);
        EXPECT_EQ(m_store->OpenFolder(folder->Entry())->Name(), name);
    }
    EXPECT_FALSE(m_store->OpenSpecialFolder(static_cast<MsgSpecialFolder>(5)));
    EXPECT_FALSE(m_store->OpenFolder({1, 2, 3})) << m_store->LastError();

    const auto added = m_store->CreateTopFolder(u"Archiv");
    ASSERT_TRUE(added);
    ASSERT_TRUE(m_store->ListTopFolders(top));
    EXPECT_EQ(top.back().displayName, u"Archiv");
    EXPECT_EQ(top.back().entryId, added->Entry());

    struct stat info {};
    ASSERT_EQ(::stat(File().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(MsgStoreTest, StoreIsFoundByNameInAnyCaseAndAnUnreadableFileHasNone)
{
    m_store.reset();
    EXPECT_TRUE(OpenStore(u"sms"));
    EXPECT_FALSE(OpenStore(u"Mail"));
    std::filesystem::remove(File());
    {
        std::ofstream(File()) << "not a database, not at all, but long enough to look like one to nobody";
    }
    EXPECT_FALSE(OpenStore());
}

TEST_F(MsgStoreTest, MessagesKeepEveryPropertyAcrossReopening)
{
    const std::u16string text = u"Grüße 😀 \"<&>\"\r\nzweite Zeile";
    struct Case {
        const char* what;
        std::u16string senderName;
        std::u16string recipientName;
        std::u16string shownSender;
        std::u16string shownRecipient;
    };
    const Case cases[] = {
        {"names given", u"Anna", u"Bert", u"Anna", u"Bert"},
        {"addresses only", u"", u"", u"+491701234", u"+491705678"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto inbox = Special(MsgSpecialFolder::Inbox);
        auto message = inbox->CreateSmsMessage();
        EXPECT_EQ(message->MessageClass(), u"IPM.SMStext");
        EXPECT_EQ(message->Flags(), MSGFLAG_UNSENT);
        EXPECT_TRUE(message->Entry().empty());
        message->SetSenderName(c.senderName);
        message->AddRecipient({c.recipientName, u"+491705678", u"SMS", MAPI_TO});
        ASSERT_TRUE(
            inbox->WriteSms(*message, text, u"+491701234", u"+491709999", kFileTimeAt1970 + 10'000'000));
        const EntryId entry = message->Entry();

        m_store = OpenStore();
        const auto folder = Special(MsgSpecialFolder::Inbox);
        const auto read = folder->OpenMessage(entry);
        ASSERT_TRUE(read) << m_store->LastError();
        EXPECT_EQ(read->Subject(), text);
        EXPECT_EQ(read->Body(), text);
        EXPECT_EQ(read->Flags(), MSGFLAG_READ | MSGFLAG_FROMME);
        EXPECT_EQ(read->SenderName(), c.shownSender);
        EXPECT_EQ(read->SenderAddress(), u"+491701234");
        EXPECT_EQ(read->DeliveryTime(), kFileTimeAt1970 + 10'000'000);
        ASSERT_EQ(read->Recipients().size(), 2u);
        EXPECT_EQ(read->Recipients()[0].displayName, c.shownRecipient);
        EXPECT_EQ(read->Recipients()[1].displayName, u"+491709999");
        EXPECT_EQ(read->Recipients()[1].addressType, u"SMS");
        EXPECT_FALSE(Special(MsgSpecialFolder::SentItems)->OpenMessage(entry))
            << "opened from its own folder only";
        EXPECT_TRUE(folder->DeleteMessage(entry));
    }
}

TEST_F(MsgStoreTest, DeletionsSayWhetherTheStoreTookThem)
{
    auto inbox = Special(MsgSpecialFolder::Inbox);
    const EntryId first = WriteText(*inbox, u"one");
    const EntryId second = WriteText(*inbox, u"two");
    const EntryId third = WriteText(*inbox, u"three");
    EXPECT_EQ(Entries(*inbox), (std::vector<EntryId>{first, second, third}));

    EXPECT_FALSE(Special(MsgSpecialFolder::Drafts)->DeleteMessage(first)) << "not in that folder";
    EXPECT_TRUE(inbox->DeleteMessage(second));
    EXPECT_FALSE(inbox->DeleteMessage(second)) << "already gone";
    RefuseDeletions();
    EXPECT_FALSE(inbox->DeleteMessage(first));
    EXPECT_NE(m_store->LastError().find("message is in use"), std::string::npos) << m_store->LastError();
    EXPECT_EQ(Entries(*inbox), (std::vector<EntryId>{first, third}));
}

TEST_F(MsgStoreTest, BatchIsKeptWholeOrNotAtAll)
{
    auto inbox = Special(MsgSpecialFolder::Inbox);
    const EntryId kept = WriteText(*inbox, u"before");
    for (const bool commit : {false, true}) {
        ASSERT_TRUE(m_store->BeginBatch());
        EXPECT_FALSE(m_store->BeginBatch());
        WriteText(*inbox, u"a");
        WriteText(*inbox, u"b");
        EXPECT_TRUE(inbox->DeleteMessage(kept));
        if (commit)
            EXPECT_TRUE(m_store->CommitBatch());
        else
            m_store->AbandonBatch();
        EXPECT_EQ(Entries(*inbox).size(), commit ? 2u : 1u);
    }
}

TEST_F(MsgStoreTest, ReadingSeesOneSnapshotAndRefusesChanges)
{
    auto inbox = Special(MsgSpecialFolder::Inbox);
    const EntryId first = WriteText(*inbox, u"first");
    ASSERT_TRUE(m_store->BeginReading());
    EXPECT_FALSE(m_store->BeginReading());
    EXPECT_FALSE(m_store->BeginBatch());
    EXPECT_EQ(Entries(*inbox), (std::vector<EntryId>{first}));
    const auto other = OpenStore();
    WriteText(*other->OpenSpecialFolder(MsgSpecialFolder::Inbox), u"written meanwhile");
    EXPECT_EQ(Entries(*inbox), (std::vector<EntryId>{first}));

    auto refused = inbox->CreateSmsMessage();
    EXPECT_FALSE(inbox->WriteSms(*refused, u"x", u"+1", u"+2", kFileTimeAt1970));
    EXPECT_FALSE(inbox->DeleteMessage(first));
    EXPECT_FALSE(m_store->CreateTopFolder(u"Archive"));
    m_store->EndReading();
    EXPECT_EQ(Entries(*inbox).size(), 2u);
    EXPECT_TRUE(inbox->DeleteMessage(first));
}

} // namespace
