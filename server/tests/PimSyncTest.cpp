// Contacts, appointments and tasks through the server as handsets synchronise them: what travels, what
// the account keeps, and what happens when a handset is cut off or sends garbage.

#include "PimHandset.h"
#include "ServerFixture.h"

#include "ServerTime.h"
#include "data/CalendarWindow.h"
#include "data/ItemFile.h"
#include "platform/CivilDays.h"

#include <fstream>

namespace {

std::string Card(const std::string& name, const std::string& extra = {})
{
    return "BEGIN:VCARD\r\nVERSION:2.1\r\nN:" + name + "\r\nFN:" + name + "\r\n" + extra + "END:VCARD\r\n";
}

std::string Event(const std::string& summary, const std::string& start, const std::string& extra = {})
{
    return "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\nSUMMARY:" + summary + "\r\nDTSTART:" + start +
           "\r\nDTEND:" + start + "\r\n" + extra + "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

// "YYYYMMDDT090000Z" for the day `offset` days from today.
std::string Day(int offset)
{
    CivilTime civil{};
    CivilFromDays(NowMs() / (24LL * 60 * 60 * 1000) + offset, civil);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02dT090000Z", civil.year, civil.month, civil.day);
    return text;
}

class PimSyncTest : public ServerTest {
protected:
    void TearDown() override
    {
        m_handsets.clear();
        ServerTest::TearDown();
    }

    // Handset `number` of one account with a password: the first registered by the operator, the
    // others joining it with the user id and password.
    CTestHandset& Phone(std::size_t number = 0)
    {
        while (m_handsets.size() <= number) {
            auto handset = std::make_unique<CTestHandset>(m_server.BaseUrl(), "/sync/serv",
                                                          "DEV" + std::to_string(m_handsets.size() + 1));
            if (m_handsets.empty())
                Register(*handset, "DEV1", "pw");
            else
                Join(*handset, *m_handsets.front());
            m_handsets.push_back(std::move(handset));
        }
        return *m_handsets[number];
    }

    std::vector<AdminRecord> ServerItems(const std::string& kind = "contact", bool deleted = false)
    {
        return Admin("list-items",
                     {{"user-id", Phone().userId}, {"kind", kind}, {"deleted", deleted ? "true" : "false"}})
            .records;
    }

    std::vector<std::unique_ptr<CTestHandset>> m_handsets;
};

TEST_F(PimSyncTest, OnlyWhatChangedTravelsEachWay)
{
    CPimHandset phone(Phone(), PimKind::Contact);
    const std::string anna = phone.Add(Card("Anna"));
    const std::string bert = phone.Add(Card("Bert"));
    phone.Add(Card("Carl"));
    phone.Add(Card("Dora"));
    PimSyncReport first = phone.Run("Sync");
    ASSERT_TRUE(first.ok) << first.failure;
    EXPECT_EQ(first.requested.size(), 4u);
    EXPECT_TRUE(first.restored.empty());
    ASSERT_EQ(ServerItems().size(), 4u);

    for (const bool listed : {false, true}) {
        const PimSyncReport unchanged = phone.Run("Sync", listed);
        ASSERT_TRUE(unchanged.ok) << unchanged.failure;
        EXPECT_TRUE(unchanged.requested.empty()) << listed;
        EXPECT_EQ(unchanged.uploadChunks, 1u) << "one empty chunk still asks for the changes";
        EXPECT_TRUE(unchanged.restored.empty()) << listed;
    }

    // One change and one deletion on each side.
    const std::vector<AdminRecord> held = ServerItems();
    const auto guidOf = [&](const std::string& name) {
        for (const AdminRecord& item : held)
            if (item.GetOr("summary") == name)
                return item.GetOr("guid");
        return std::string();
    };
    ASSERT_TRUE(phone.Change(anna, Card("Anna", "TEL:123\r\n")));
    ASSERT_TRUE(phone.Remove(bert));
    const std::string file = (m_server.Folder() / "carl.vcf").string();
    std::ofstream(file) << Card("Carl", "NOTE:server side\r\n");
    std::string output;
    ASSERT_EQ(RunProgram("admin --admin " + m_server.AdminUrl() + " change-item --user-id " + Phone().userId +
                             " --guid " + guidOf("Carl") + " --file " + file,
                         output),
              0)
        << output;
    ASSERT_TRUE(Admin("delete-item", {{"user-id", Phone().userId}, {"guid", guidOf("Dora")}}).Ok());

    const PimSyncReport changed = phone.Run("Sync");
    ASSERT_TRUE(changed.ok) << changed.failure;
    EXPECT_EQ(changed.requested, std::vector<std::string>{anna});
    EXPECT_EQ(changed.restored,
              (std::vector<std::string>{"updated " + guidOf("Carl"), "deleted " + guidOf("Dora")}));
    EXPECT_EQ(phone.Texts(),
              (std::vector<std::string>{Card("Anna", "TEL:123\r\n"), Card("Carl", "NOTE:server side\r\n")}));
    std::vector<std::string> kept;
    for (const AdminRecord& item : ServerItems())
        kept.push_back(item.GetOr("summary"));
    EXPECT_EQ(kept, (std::vector<std::string>{"Anna", "Carl"}));
    EXPECT_EQ(ServerItems("contact", true).size(), 4u) << "deletions stay as tombstones";

    const PimSyncReport settled = phone.Run("Sync");
    EXPECT_TRUE(settled.requested.empty() && settled.restored.empty())
        << "the restored copy is not sent back";
}

TEST_F(PimSyncTest, TwoHandsetsOnOneAccountConvergeWithoutDuplicates)
{
    CPimHandset first(Phone(), PimKind::Contact);
    CPimHandset second(Phone(1), PimKind::Contact);
    first.Add(Card("Anna"));
    first.Add(Card("Bert"));
    second.Add(Card("Bert")); // the same card on both, as after importing one file twice
    second.Add(Card("Ceyda \xC3\x87"
                    "elik"));
    for (CPimHandset* handset : {&first, &second, &first, &second}) {
        const PimSyncReport report = handset->Run("Sync");
        ASSERT_TRUE(report.ok) << report.failure;
    }
    EXPECT_EQ(first.Texts(), second.Texts());
    EXPECT_EQ(first.Texts().size(), 3u);
    EXPECT_EQ(ServerItems().size(), 3u);

    // A fresh handset restores everything; restoring again replaces its copies instead of adding.
    CPimHandset fresh(Phone(2), PimKind::Contact);
    for (int round = 0; round < 2; ++round) {
        const PimSyncReport restored = fresh.Run("Restore");
        ASSERT_TRUE(restored.ok) << restored.failure;
        EXPECT_EQ(restored.restored.size(), 3u);
        EXPECT_EQ(fresh.Texts(), first.Texts()) << round;
    }
}

TEST_F(PimSyncTest, ItemTextsSurviveByteForByte)
{
    CPimHandset phone(Phone(), PimKind::Event);
    const std::vector<std::string> texts = {
        Event("Weekly ]]> review", "20300105T090000Z", "RRULE:W1 MO #0\r\nEXDATE:20300112T090000Z\r\n"),
        Event("Caf\xC3\xA9 \xF0\x9F\x8E\x89 <&> \"q\"", "20300201"),
        "BEGIN:VCALENDAR\nVERSION:1.0\nBEGIN:VEVENT\nDESCRIPTION:bare LF\tand tab\r\n "
        "=0D=0A\nEND:VEVENT\nEND:VCALENDAR\n",
        Event("]]]]>>", "20300301T000000", "DESCRIPTION;ENCODING=QUOTED-PRINTABLE:a=0D=0A=\r\n b\r\n"),
    };
    for (const std::string& text : texts)
        phone.Add(text);
    ASSERT_TRUE(phone.Run("Sync").ok);

    CPimHandset restored(Phone(1), PimKind::Event);
    const PimSyncReport report = restored.Run("Restore");
    ASSERT_TRUE(report.ok) << report.failure;
    EXPECT_EQ(restored.Texts(), phone.Texts());
}

TEST_F(PimSyncTest, RestoreChunksHoldWholeItemsWithinTheAskedSize)
{
    CPimHandset phone(Phone(), PimKind::Contact);
    for (int i = 0; i < 40; ++i)
        phone.Add(Card("Person " + std::to_string(i), "NOTE:" + std::string(1000 + 40 * i, 'x') + "\r\n"));
    phone.Add(Card("Big", "PHOTO;ENCODING=BASE64:" + std::string(30000, 'A') + "\r\n"));
    ASSERT_TRUE(phone.Run("Sync").ok);

    CPimHandset restored(Phone(1), PimKind::Contact);
    const PimSyncReport report = restored.Run("Restore", true, 8192);
    ASSERT_TRUE(report.ok) << report.failure;
    EXPECT_EQ(restored.Texts(), phone.Texts());
    EXPECT_GT(report.restoreChunks, 6u);
    EXPECT_GT(report.largestChunkBytes, 30000u) << "an item bigger than the bound travels alone";

    // Chunks of no restore, or beyond its end, are refused.
    struct Case {
        const char* offset;
        const char* code; // empty: refused with an HTTP status
    };
    const Case cases[] = {{"0", "424"}, {"x", ""}, {"-1", ""}};
    for (const Case& c : cases) {
        const HandsetAnswer answer = Phone(1).Send(
            "GetChunk",
            {{"QX-CommandType", "Contacts"}, {"QX-ChunkOffset", c.offset}, {"QX-MaxChunkSize", "4096"}});
        if (*c.code)
            EXPECT_EQ(answer.ErrorCode(), c.code) << c.offset;
        else
            EXPECT_EQ(answer.status, 400) << c.offset;
    }
}

TEST_F(PimSyncTest, HostileDocumentsAreRefusedAndChangeNothing)
{
    CPimHandset phone(Phone(), PimKind::Contact);
    ASSERT_TRUE(Phone().Negotiate("Sync"));
    const HeaderList chunk = {{"QX-CommandType", "Contacts"},
                              {"QX-TotalSize", "1"},
                              {"QX-ChunkOffset", "0"},
                              {"QX-ChunkSize", "1"}};
    const auto item = [](const std::string& attributes, const std::string& content) {
        return "<QXSync><contact-list><contact " + attributes + ">" + content +
               "</contact></contact-list></QXSync>";
    };
    struct Case {
        const char* command;
        HeaderList headers;
        std::string body;
        const char* reason;
    };
    const Case cases[] = {
        {"Crc", {{"QX-CommandType", "Contacts"}}, "<QXSync><contact-list>", "not XML"},
        {"Crc", {{"QX-CommandType", "Contacts"}}, item("luid=\"1\" crc=\"\xFF\"", ""), "not UTF-8"},
        {"Crc", {{"QX-CommandType", "Contacts"}}, item("luid=\"a b\" crc=\"1\"", ""), "luid"},
        {"Crc", {{"QX-CommandType", "Contacts"}}, item("luid=\"1\" crc=\"-5\"", ""), "crc"},
        {"Crc",
         {{"QX-CommandType", "Contacts"}},
         "<QXSync><contact-list><contact luid=\"1\" crc=\"1\"/><contact luid=\"1\" "
         "crc=\"2\"/></contact-list></QXSync>",
         "twice"},
        {"Crc", {{"QX-CommandType", "Photos"}}, item("luid=\"1\" crc=\"1\"", ""), "QX-CommandType"},
        {"Sync", chunk, item("luid=\"1\" crc=\"1\"", "<vcard>A&#1;B</vcard>"), "control character"},
        {"Sync", chunk, item("luid=\"1\" crc=\"1\"", "<note/>"), "\"vcard\""},
        {"Sync",
         {{"QX-CommandType", "Contacts"}, {"QX-ChunkOffset", "0"}},
         item("luid=\"1\" crc=\"1\"", "<vcard/>"),
         "QX-TotalSize"},
        {"Sync",
         {{"QX-CommandType", "Contacts"}, {"QX-TotalSize", "99999999999"}, {"QX-ChunkOffset", "0"}},
         item("luid=\"1\" crc=\"1\"", "<vcard/>"),
         "QX-TotalSize"},
        {"Map", {{"QX-CommandType", "Contacts"}}, item("luid=\"1\" guid=\"../x\" crc=\"1\"", ""), "guid"},
    };
    for (const Case& c : cases) {
        const HandsetAnswer answer = Phone().Send(c.command, c.headers, c.body);
        EXPECT_EQ(answer.status, 400) << c.reason;
        EXPECT_NE(answer.body.find(c.reason), std::string::npos) << c.reason << ": " << answer.body;
    }
    EXPECT_TRUE(ServerItems().empty());

    // Data commands need a negotiated session.
    Phone().StartNegotiation();
    EXPECT_EQ(Phone().Send("Crc", {{"QX-CommandType", "Contacts"}}, phone.ChecksumBody(true)).ErrorCode(),
              "409");
}

TEST_F(PimSyncTest, ACutConnectionAtAnyRequestLosesAndDuplicatesNothing)
{
    // Changes on both sides, the connection dropped at request N of a Sync (before or after the server
    // ran it), then a complete Sync: both sides hold the same items, each once. The Sync's requests:
    // StartNegotiation, CompleteNegotiation, Crc, two upload chunks, GetChunk requests, Map; N runs until
    // the Sync has no request N.
    const auto cards = [](const std::string& prefix, int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += Card(prefix + std::to_string(i), "NOTE:" + std::string(900, 'n') + "\r\n");
        return text;
    };
    for (const char* moment : {"before", "after"}) {
        for (int request = 0;; ++request) {
            SCOPED_TRACE(std::string(moment) + " request " + std::to_string(request));
            const std::string device = "CUT-" + std::string(moment) + std::to_string(request);
            CTestHandset http = Handset(device);
            Register(http, device);
            CPimHandset phone(http, PimKind::Contact);
            for (int i = 0; i < 20; ++i)
                phone.Add(Card("P" + std::to_string(i)));
            ASSERT_TRUE(phone.Run("Sync").ok);
            const std::vector<AdminRecord> items = Admin("list-items", {{"user-id", http.userId}}).records;
            phone.Change(phone.items[3].first, Card("P3", "TEL:3\r\n"));
            phone.Remove(phone.items[7].first);
            for (int i = 0; i < 120; ++i)
                phone.Add(Card("H" + std::to_string(i), "NOTE:" + std::string(900, 'h') + "\r\n"));
            const AdminReply added =
                Admin("add-items", {{"user-id", http.userId}, {"file", cards("S", 120)}});
            ASSERT_TRUE(added.Ok()) << added.status << added.error;
            ASSERT_TRUE(
                Admin("delete-item", {{"user-id", http.userId}, {"guid", items.at(10).GetOr("guid")}}).Ok());

            ASSERT_TRUE(Admin("inject", {{"command", "*"},
                                         {"device", device},
                                         {"drop", moment},
                                         {"skip", std::to_string(request)}})
                            .Ok());
            const PimSyncReport cut = phone.Run("Sync", true, 20000);
            if (cut.ok) {
                EXPECT_GE(request, 8);
                Admin("clear-rules");
                break;
            }
            const PimSyncReport settled = phone.Run("Sync", true, 20000);
            ASSERT_TRUE(settled.ok) << settled.failure;
            std::vector<std::string> serverTexts;
            for (const AdminRecord& item : Admin("list-items", {{"user-id", http.userId}}).records)
                serverTexts.push_back(
                    Admin("show-item", {{"user-id", http.userId}, {"guid", item.GetOr("guid")}})
                        .records.at(0)
                        .GetOr("text"));
            std::sort(serverTexts.begin(), serverTexts.end());
            EXPECT_EQ(phone.Texts(), serverTexts);
            EXPECT_EQ(serverTexts.size(), 258u) << "20 - 1 deleted on each side + 120 added on each side";
        }
    }
}

TEST(ItemFileTest, FilesSplitIntoOneItemEach)
{
    struct Case {
        const char* name;
        std::string file;
        std::vector<std::pair<PimKind, std::string>> items;
    };
    const Case cases[] = {
        {"cards with LF line ends",
         "BEGIN:VCARD\nN:A\nEND:VCARD\n\nbegin:vcard\nN:B\nend:vcard",
         {{PimKind::Contact, "BEGIN:VCARD\r\nN:A\r\nEND:VCARD\r\n"},
          {PimKind::Contact, "begin:vcard\r\nN:B\r\nend:vcard\r\n"}}},
        {"a card inside a card",
         "BEGIN:VCARD\r\nAGENT:\r\nBEGIN:VCARD\r\nN:In\r\nEND:VCARD\r\nEND:VCARD\r\n",
         {{PimKind::Contact, "BEGIN:VCARD\r\nAGENT:\r\nBEGIN:VCARD\r\nN:In\r\nEND:VCARD\r\nEND:VCARD\r\n"}}},
        {"a calendar of two kinds",
         "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nTZ:+01\r\nBEGIN:VEVENT\r\nSUMMARY:e\r\nEND:VEVENT\r\n"
         "BEGIN:VTODO\r\nSUMMARY:t\r\nEND:VTODO\r\nEND:VCALENDAR\r\n",
         {{PimKind::Event, "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nTZ:+01\r\nBEGIN:VEVENT\r\nSUMMARY:e\r\nEND:"
                           "VEVENT\r\nEND:VCALENDAR\r\n"},
          {PimKind::Todo, "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nTZ:+01\r\nBEGIN:VTODO\r\nSUMMARY:t\r\nEND:"
                          "VTODO\r\nEND:VCALENDAR\r\n"}}},
        {"an event without its calendar",
         "BEGIN:VEVENT\nSUMMARY:e\nEND:VEVENT\n",
         {{PimKind::Event, "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\nSUMMARY:e\r\nEND:VEVENT\r\nEND:"
                           "VCALENDAR\r\n"}}},
    };
    for (const Case& c : cases) {
        std::string error;
        const std::optional<std::vector<FileItem>> items = SplitItemFile(c.file, error);
        ASSERT_TRUE(items) << c.name << ": " << error;
        std::vector<std::pair<PimKind, std::string>> got;
        for (const FileItem& item : *items)
            got.emplace_back(item.kind, item.text);
        EXPECT_EQ(got, c.items) << c.name;
    }
}

TEST(CalendarWindowTest, AMissingItemCountsAsDeletedOnlyWellInsideTheWindow)
{
    const std::int64_t today = DaysFromCivil(2030, 6, 15);
    const CalendarWindow window{30, 365};
    struct Case {
        const char* name;
        std::string text;
        bool surely;
    };
    const auto event = [](const std::string& lines) {
        return "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\n" + lines + "END:VEVENT\r\nEND:VCALENDAR\r\n";
    };
    const auto task = [](const std::string& lines) {
        return "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\n" + lines + "END:VTODO\r\nEND:VCALENDAR\r\n";
    };
    const Case cases[] = {
        {"today", event("DTSTART:20300615T100000Z\r\nDTEND:20300615T110000Z\r\n"), true},
        {"all day, lower case", event("dtstart;value=date:20300701\r\n"), true},
        {"ended 29 days ago", event("DTSTART:20300517T100000\r\nDTEND:20300517T110000\r\n"), false},
        {"ended 27 days ago", event("DTSTART:20300519T100000\r\nDTEND:20300519T110000\r\n"), true},
        {"starts in 364 days", event("DTSTART:20310614T100000\r\n"), false},
        {"long past, repeating for ever", event("DTSTART:20200101T100000\r\nRRULE:W1 MO #0\r\n"), true},
        {"long past, repeating 10 times", event("DTSTART:20200101T100000\r\nRRULE:W1 MO #10\r\n"), false},
        {"long past, repeating until next year",
         event("DTSTART:20200101T100000\r\nRRULE:D1 20310101T000000\r\n"), true},
        {"no start", event("SUMMARY:x\r\n"), false},
        {"bad date", event("DTSTART:2030-06-15\r\n"), false},
        {"task without dates", task("SUMMARY:x\r\n"), true},
        {"task due long ago", task("DTSTART:20200101\r\nDUE:20200102\r\n"), false},
        {"task due next week", task("DTSTART:20300601\r\nDUE:20300622\r\n"), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SurelyInWindow(c.text, window, today), c.surely) << c.name;
}

TEST_F(PimSyncTest, HandsetDeletesCalendarItemsOnlyInsideItsWindow)
{
    CPimHandset phone(Phone(), PimKind::Event);
    const std::string inside = phone.Add(Event("inside", Day(3)));
    const std::string outside = phone.Add(Event("long ago", Day(-300)));
    ASSERT_TRUE(phone.Run("Sync").ok);
    phone.Remove(inside);
    phone.Remove(outside); // as a handset whose window no longer reaches it
    ASSERT_TRUE(phone.Run("Sync").ok);
    ASSERT_EQ(ServerItems("event").size(), 1u);
    EXPECT_EQ(ServerItems("event").at(0).Get("summary"), "long ago");
}

} // namespace
