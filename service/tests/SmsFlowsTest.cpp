// The SMS backup and restore flows against a scripted server, over the messaging store of the test's
// private device.

#include "FlowHarness.h"
#include "platform/MAPIMsgStore.h"
#include "platform/Sqlite.h"
#include "service/BrandingTexts.h"
#include "service/SmsMessageList.h"

namespace {

FileTime At(int year, int month, int day, int hour, int minute, int second = 0)
{
    return CivilToFileTime(CivilTime{year, month, day, hour, minute, second});
}

const FileTime kEvening = At(2023, 12, 24, 18, 30);
const FileTime kMidnight = At(2023, 12, 24, 0, 15);
const FileTime kNoon = At(2023, 12, 24, 12, 15);

// A handset message: its folder ('i' inbox, 's' sent items, 'd' drafts) and what the flows read.
struct HandsetSms {
    char folder;
    std::u16string text;
    std::u16string from;
    std::u16string to;
    FileTime time;
    bool operator==(const HandsetSms&) const = default;
};

std::ostream& operator<<(std::ostream& out, const HandsetSms& stored)
{
    return out << stored.folder << " \"" << Utf16ToUtf8(stored.text) << "\" " << Utf16ToUtf8(stored.from)
               << " -> " << Utf16ToUtf8(stored.to) << " @" << stored.time;
}

// One "message" element of an answer.
std::string Message(std::string_view folder, std::string_view text, std::string_view from,
                    std::string_view to, std::string_view timestamp, std::string_view status = {})
{
    std::string element = "<message type=\"text\" folder=\"" + std::string(folder) + "\" from=\"" +
                          std::string(from) + "\" to=\"" + std::string(to) + "\"";
    if (!timestamp.empty())
        element += " timestamp=\"" + std::string(timestamp) + "\"";
    if (!status.empty())
        element += " status=\"" + std::string(status) + "\"";
    return element + ">" + std::string(text) + "</message>";
}

std::string Answer(const std::string& messages)
{
    return "<?xml version=\"1.0\"?><QXSync version=\"1.0\"><message-list>" + messages +
           "</message-list></QXSync>";
}

class SmsFlowsTest : public FlowHarness {
protected:
    void SetUp() override
    {
        FlowHarness::SetUp();
        std::string error;
        m_store = MAPIMsgStore::Open(MAPIMsgStore::DefaultPath(), u"SMS", error);
        ASSERT_TRUE(m_store) << error;
    }

    std::unique_ptr<SmsFolder> Folder(char folder)
    {
        return m_store->OpenSpecialFolder(folder == 'i'   ? MsgSpecialFolder::Inbox
                                          : folder == 's' ? MsgSpecialFolder::SentItems
                                                          : MsgSpecialFolder::Drafts);
    }

    // A message as the handset's own messaging writes it: sender and recipient with their names.
    void Put(SmsFolder& folder, const HandsetSms& stored)
    {
        auto message = folder.CreateSmsMessage();
        message->SetSubject(stored.text);
        message->SetSenderName(stored.from);
        message->SetSenderAddress(u"+4917000");
        if (!stored.to.empty())
            message->AddRecipient({stored.to, u"+4917999", u"SMS", MAPI_TO});
        message->SetDeliveryTime(stored.time);
        ASSERT_TRUE(message->Save()) << m_store->LastError();
    }

    void Put(const std::vector<HandsetSms>& messages)
    {
        for (const HandsetSms& stored : messages)
            Put(*Folder(stored.folder), stored);
    }

    // Inbox, sent items and drafts, each in table order.
    std::vector<HandsetSms> Handset()
    {
        std::vector<HandsetSms> messages;
        for (const char name : {'i', 's', 'd'}) {
            const auto folder = Folder(name);
            std::vector<MsgStoreEntry> entries;
            EXPECT_TRUE(folder->ListMessages(entries));
            for (const MsgStoreEntry& entry : entries) {
                const auto message = folder->OpenMessage(entry.entryId);
                const auto& recipients = message->Recipients();
                messages.push_back({name, message->Subject(), message->SenderName(),
                                    recipients.empty() ? u"" : recipients.front().displayName,
                                    message->DeliveryTime()});
            }
        }
        return messages;
    }

    void DeleteAll()
    {
        for (const char name : {'i', 's', 'd'}) {
            const auto folder = Folder(name);
            std::vector<MsgStoreEntry> entries;
            folder->ListMessages(entries);
            for (const MsgStoreEntry& entry : entries)
                folder->DeleteMessage(entry.entryId);
        }
    }

    std::uint32_t Counter(std::u16string_view name)
    {
        std::uint32_t value = 0xDEAD;
        m_service->SummaryGetMsg(name, REG_TYPE_DWORD, &value, nullptr);
        return value;
    }

    std::vector<std::uint32_t> Counters()
    {
        return {Counter(u"sms_added"), Counter(u"sms_deleted"), Counter(u"sms_failed")};
    }

    void SetCounters(std::uint32_t value)
    {
        for (const char16_t* name : {u"sms_added", u"sms_deleted", u"sms_failed"})
            m_service->SummarySet(name, REG_TYPE_DWORD, &value, nullptr);
    }

    // The server answers each request with the list it was sent.
    void EchoLists()
    {
        m_server.Respond([](const RecordedRequest& request) { return CScriptedHttp::Ok({}, request.body); });
    }

    std::unique_ptr<MAPIMsgStore> m_store;
};

TEST_F(SmsFlowsTest, BackupSendsInboxAndSentItemsInAnyCaseAsOneList)
{
    Put({{'i', u"Grüße 😀 <&>", u"Anna", u"Me", kEvening},
         {'s', u"", u"Me", u"", kMidnight},
         {'d', u"draft", u"Me", u"Bert", kNoon}});
    auto other = m_store->CreateTopFolder(u"Archive");
    Put(*other, {'a', u"archived", u"Carl", u"Me", kNoon});
    auto upper = m_store->CreateTopFolder(u"INBOX");
    Put(*upper, {'i', u"second inbox", u"Dora", u"Me", kNoon});
    m_server.Answer(CScriptedHttp::Headers{});

    EXPECT_EQ(m_service->SmsBackupFlow(m_window->Handle(), u"Backup"), RES_OK);

    ASSERT_EQ(m_server.Requests().size(), 1u);
    const RecordedRequest sent = m_server.Requests()[0];
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.Header("QX-Command"), "Backup");
    EXPECT_EQ(sent.Header("QX-CommandType"), "SMS");
    EXPECT_EQ(sent.Header("QX-TotalSize"), "3");
    EXPECT_EQ(sent.Header("QX-ChunkOffset"), "0");
    EXPECT_EQ(sent.Header("QX-ChunkSize"), "3");
    EXPECT_TRUE(sent.body.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?><QXSync ")) << sent.body;
    const std::size_t list = sent.body.find("<message-list>");
    ASSERT_NE(list, std::string::npos) << sent.body;
    EXPECT_EQ(sent.body.substr(list),
              "<message-list>"
              "<message type=\"text\" folder=\"inbox\" from=\"Anna\" to=\"Me\" timestamp=\"24-12-2023 "
              "06:30:00 PM\">"
              "Grüße 😀 &lt;&amp;&gt;</message>"
              "<message type=\"text\" folder=\"sent\" from=\"Me\" timestamp=\"24-12-2023 12:15:00 AM\"/>"
              "<message type=\"text\" folder=\"inbox\" from=\"Dora\" to=\"Me\" timestamp=\"24-12-2023 "
              "12:15:00 PM\">"
              "second inbox</message>"
              "</message-list></QXSync>");
    EXPECT_EQ(ProgressValues(kTextSendingMessages), (std::vector<std::int32_t>{10, 40, 50, 100}));
}

// A messaging file that cannot be read: the handset has no SMS store.
class SmsWithoutStoreTest : public FlowHarness {
protected:
    void SetUp() override
    {
        WriteFile(MAPIMsgStore::DefaultPath(),
                  "this is no database file at all, whatever its name says it is");
        FlowHarness::SetUp();
    }
};

TEST_F(SmsWithoutStoreTest, BackupSendsAnEmptyListAndRestoreCannotAdd)
{
    std::uint32_t added = 7;
    m_service->SummarySet(u"sms_added", REG_TYPE_DWORD, &added, nullptr);
    m_server.Answer(CScriptedHttp::Headers{});
    m_server.Answer({}, Answer(Message("inbox", "hi", "Anna", "Me", "24-12-2023 06:30:00 PM")));

    EXPECT_EQ(m_service->SmsBackupFlow(m_window->Handle(), u"Sync"), RES_OK);
    EXPECT_EQ(m_service->SmsRestoreFlow(u"Restore"), RES_ERROR);

    ASSERT_EQ(m_server.Requests().size(), 2u);
    EXPECT_EQ(m_server.Requests()[0].Header("QX-TotalSize"), "0");
    EXPECT_NE(m_server.Requests()[0].body.find("<message-list/></QXSync>"), std::string::npos);
    m_service->SummaryGetMsg(u"sms_added", REG_TYPE_DWORD, &added, nullptr);
    EXPECT_EQ(added, 7u) << "no counter written";
}

TEST_F(SmsFlowsTest, RestoreMakesTheHandsetAgreeWithTheList)
{
    const HandsetSms anna{'i', u"hi", u"Anna", u"Me", kEvening};
    const HandsetSms bert{'s', u"yo", u"Me", u"Bert", kNoon};
    struct Case {
        const char* what;
        std::vector<HandsetSms> handset;
        std::string messages;
        std::vector<HandsetSms> after;
        std::vector<std::uint32_t> counters; // added, deleted, failed
        bool refuseDeletions = false;
    };
    const Case cases[] = {
        {"missing messages are added to the folder they name, in any case; other folders are skipped",
         {},
         Message("INBOX", "hi", "Anna", "Me", "24-12-2023 06:30:00 PM") +
             Message("sent", "yo", "Me", "Bert", "24-12-2023 12:15:00 PM") +
             Message("drafts", "no", "Me", "Bert", "24-12-2023 12:15:00 PM"),
         {anna, bert},
         {2, 0, 0}},
        {"a message equal in time, recipient and sender is present whatever its text and folder",
         {anna},
         Message("sent", "other text", "Anna", "Me", "24-12-2023 06:30:00 PM"),
         {anna},
         {0, 0, 0}},
        {"each entry stands for one handset message",
         {anna, anna},
         Message("inbox", "hi", "Anna", "Me", "24-12-2023 18:30:00") +
             Message("inbox", "hi", "Anna", "Me", "24-12-2023 06:30:00 pm") +
             Message("inbox", "hi", "Anna", "Me", "24-12-2023 06:30:00 PM"),
         {anna, anna, anna},
         {1, 0, 0}},
        {"12 AM is midnight, 12 PM noon",
         {{'i', u"a", u"Anna", u"Me", kMidnight}, {'i', u"b", u"Anna", u"Me", kNoon}},
         Message("inbox", "a", "Anna", "Me", "24-12-2023 12:15:00 AM") +
             Message("inbox", "b", "Anna", "Me", "24-12-2023 12:15:00 PM"),
         {{'i', u"a", u"Anna", u"Me", kMidnight}, {'i', u"b", u"Anna", u"Me", kNoon}},
         {0, 0, 0}},
        {"listed deletions delete; unmatched ones are ignored",
         {anna, bert},
         Message("inbox", "hi", "Anna", "Me", "24-12-2023 06:30:00 PM", "deleted") +
             Message("inbox", "gone", "Carl", "Me", "24-12-2023 06:30:00 PM", "deleted"),
         {bert},
         {0, 1, 0}},
        {"a refused deletion counts as failed only",
         {anna},
         Message("inbox", "hi", "Anna", "Me", "24-12-2023 06:30:00 PM", "deleted"),
         {anna},
         {0, 0, 1},
         true},
        {"drafts are neither matched nor touched",
         {{'d', u"hi", u"Anna", u"Me", kEvening}},
         Message("inbox", "hi", "Anna", "Me", "24-12-2023 06:30:00 PM", "deleted") +
             Message("inbox", "hi", "Anna", "Me", "24-12-2023 06:30:00 PM"),
         {anna, {'d', u"hi", u"Anna", u"Me", kEvening}},
         {1, 0, 0}},
        {"messages without a readable time are failed, never written",
         {},
         Message("inbox", "a", "A", "Me", "24-13-2023 06:30:00 PM") +
             Message("inbox", "b", "B", "Me", "24-12-2023 25:30:00") +
             Message("inbox", "c", "C", "Me", "24-12-1600 06:30:00 PM") +
             Message("inbox", "d", "D", "Me", "30-02-2024 06:30:00 PM") +
             Message("inbox", "e", "E", "Me", "24-12-2023 13:30:00 PM") +
             Message("inbox", "f", "F", "Me", "") +
             Message("inbox", "hi", "Anna", "Me", "24-12-2023 06:30:00 PM"),
         {anna},
         {1, 0, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteAll();
        Put(c.handset);
        CSqliteDb db;
        ASSERT_TRUE(db.Open(MAPIMsgStore::DefaultPath()).Ok());
        if (c.refuseDeletions) {
            ASSERT_TRUE(db.Exec("CREATE TRIGGER refuse BEFORE DELETE ON messages BEGIN "
                                "SELECT RAISE(ABORT, 'in use'); END;")
                            .Ok());
        }
        m_server.Answer({}, Answer(c.messages));

        EXPECT_EQ(m_service->SmsRestoreFlow(u"Restore"), RES_OK);
        db.Exec("DROP TRIGGER IF EXISTS refuse");

        EXPECT_EQ(Handset(), c.after);
        EXPECT_EQ(Counters(), c.counters);
    }
    const RecordedRequest asked = m_server.Requests().back();
    EXPECT_EQ(asked.method, "GET");
    EXPECT_EQ(asked.Header("QX-Command"), "Restore");
    EXPECT_EQ(asked.Header("QX-CommandType"), "SMS");
    EXPECT_TRUE(asked.body.empty());
}

TEST_F(SmsFlowsTest, RestoringTheBackedUpListAddsNothingOnTheHandsetOrAFreshOneTwice)
{
    // The afternoon message came back 12 hours early, and restored messages (written with addresses
    // only) never matched themselves: every restore added them again.
    Put({{'i', u"afternoon", u"Anna", u"Me", kEvening}, {'s', u"night", u"Me", u"Bert", kMidnight}});
    const std::vector<HandsetSms> original = Handset();
    EchoLists();

    ASSERT_EQ(m_service->SmsBackupFlow(m_window->Handle(), u"Sync"), RES_OK);
    ASSERT_EQ(m_service->SmsRestoreFlow(u"Sync"), RES_OK);
    EXPECT_EQ(Handset(), original);
    EXPECT_EQ(Counters(), (std::vector<std::uint32_t>{0, 0, 0}));

    const std::string list = m_server.Requests().back().body;
    DeleteAll();
    m_server.Respond([&list](const RecordedRequest&) { return CScriptedHttp::Ok({}, list); });
    for (const std::uint32_t added : {2u, 0u}) {
        ASSERT_EQ(m_service->SmsRestoreFlow(u"Restore"), RES_OK);
        EXPECT_EQ(Handset(), original);
        EXPECT_EQ(Counters(), (std::vector<std::uint32_t>{added, 0, 0}));
    }
}

TEST_F(SmsFlowsTest, BadAnswersChangeNothing)
{
    Put({{'i', u"hi", u"Anna", u"Me", kEvening}});
    HttpResponse cut =
        CScriptedHttp::Ok({}, Answer(Message("inbox", "new", "Carl", "Me", "24-12-2023 06:30:00 PM")));
    cut.body.resize(cut.body.size() / 2);
    cut.bodyComplete = false;
    cut.error = "connection reset";
    struct Case {
        const char* what;
        HttpResponse answer;
        bool keptAsResXml;
    };
    const Case cases[] = {
        {"not a document", CScriptedHttp::Ok({}, "<QXSync><message-list>"), true},
        {"cut off", cut, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(Root() / "res.xml");
        SetCounters(7);
        m_server.Answer(c.answer);

        EXPECT_EQ(m_service->SmsRestoreFlow(u"Restore"), RES_ERROR);

        EXPECT_EQ(Handset(), (std::vector<HandsetSms>{{'i', u"hi", u"Anna", u"Me", kEvening}}));
        EXPECT_EQ(Counters(), (std::vector<std::uint32_t>{7, 7, 7}));
        EXPECT_EQ(std::filesystem::exists(Root() / "res.xml"), c.keptAsResXml);
    }
}

TEST_F(SmsFlowsTest, RestoreOfThousandsKeepsEveryMessageOnce)
{
    // Additions are committed in batches: the last, partial one must be kept too.
    std::string messages;
    std::vector<HandsetSms> expected;
    for (int i = 0; i < 2345; ++i) {
        const std::string number = "+49" + std::to_string(i);
        messages += Message("inbox", "n" + std::to_string(i), number, "Me", "24-12-2023 06:30:00 PM");
        expected.push_back({'i', u"n" + Utf8ToUtf16(std::to_string(i)), Utf8ToUtf16(number), u"Me", kEvening});
    }
    for (const std::uint32_t added : {2345u, 0u}) {
        m_server.Answer({}, Answer(messages));
        ASSERT_EQ(m_service->SmsRestoreFlow(u"Restore"), RES_OK);
        EXPECT_EQ(Counters(), (std::vector<std::uint32_t>{added, 0, 0}));
    }
    EXPECT_EQ(Handset(), expected);
}

} // namespace

