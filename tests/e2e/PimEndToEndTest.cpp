// Contacts, appointments and tasks end to end: handsets run as their users run them (lumeno-pim to
// change the handset's items, lumeno-cli to sync and restore), against a real lumeno-refserver whose
// operator changes items on the server's side and cuts connections.

#include "HandsetsFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <set>
#include <sstream>

namespace {

using namespace std::chrono_literals;

std::string ReadSample(const std::string& name)
{
    std::ifstream in(std::string(LUMENO_SAMPLES_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Count(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

bool Unique(const std::vector<std::string>& items)
{
    return std::set<std::string>(items.begin(), items.end()).size() == items.size();
}

class PimEndToEndTest : public HandsetsTest {
protected:
    // The account's live items of a kind ("contact", "event", "todo"): guid -> summary.
    std::map<std::string, std::string> ServerItems(const std::string& kind) const
    {
        std::map<std::string, std::string> items;
        for (const AdminRecord& item : Admin("list-items", {{"user-id", kUser}, {"kind", kind}}).records)
            items[item.GetOr("guid")] = item.GetOr("summary");
        return items;
    }

    std::string GuidOf(const std::string& kind, const std::string& summary) const
    {
        for (const auto& [guid, text] : ServerItems(kind)) {
            if (text.starts_with(summary))
                return guid;
        }
        return {};
    }

    std::string ServerText(const std::string& guid) const
    {
        const AdminReply reply = Admin("show-item", {{"user-id", kUser}, {"guid", guid}});
        return reply.records.empty() ? std::string() : reply.records.front().GetOr("text");
    }

    // The server's log lines written since the last call.
    std::string NewLogLines()
    {
        const std::string log = m_server.Log();
        const std::string lines = log.substr(std::min(m_logSeen, log.size()));
        m_logSeen = log.size();
        return lines;
    }

    // The sample address book and calendar on handset 0, synchronised.
    void SyncSamples()
    {
        CHandsetProcess& phone = Handset(0);
        ASSERT_TRUE(phone.Import(ReadSample("contacts.vcf")));
        ASSERT_TRUE(phone.Import(ReadSample("calendar.vcs")));
        ASSERT_EQ(phone.Sync(), 0) << phone.LastFailure();
    }

    std::size_t m_logSeen = 0;
};

TEST_F(PimEndToEndTest, SyncSendsOnlyWhatChangedOnEachSide)
{
    SyncSamples();
    CHandsetProcess& phone = Handset(0);
    EXPECT_EQ(ServerItems("contact").size(), 6u);
    EXPECT_EQ(ServerItems("event").size(), 2u);
    EXPECT_EQ(ServerItems("todo").size(), 2u);

    // Nothing changed: no per-item list of contacts, nothing asked for, one empty chunk each way.
    NewLogLines();
    ASSERT_EQ(phone.Sync(), 0) << phone.LastFailure();
    std::string log = NewLogLines();
    EXPECT_EQ(Count(log, "Contacts of alice on " + phone.DeviceId() + ": unchanged, 0 requested"), 1) << log;
    EXPECT_EQ(Count(log, ": 2 listed, 0 requested"), 2) << log;
    EXPECT_EQ(Count(log, ": restore of 0 items"), 3) << log;
    EXPECT_EQ(Count(log, " Sync from "), 3) << log;
    EXPECT_EQ(Count(log, " GetChunk from "), 0) << log;

    // One contact changed on each side: only those two travel.
    ASSERT_EQ(phone.IdsOf("contacts", "Mensah, Kwame").size(), 1u);
    ASSERT_TRUE(phone.Edit(phone.IdsOf("contacts", "Mensah, Kwame")[0],
                           CardText("Mensah", "Kwame", {"TITLE:Head of sites"})));
    const std::string jose = GuidOf("contact", "Núñez");
    ASSERT_TRUE(Admin("change-item", {{"user-id", kUser},
                                      {"guid", jose},
                                      {"file", CardText("Núñez", "José", {"TEL;CELL:+34 600 555 999"})}})
                    .Ok());
    ASSERT_EQ(phone.Sync(), 0) << phone.LastFailure();
    log = NewLogLines();
    EXPECT_EQ(Count(log, "Contacts of alice on " + phone.DeviceId() + ": 6 listed, 1 requested"), 1) << log;
    EXPECT_EQ(Count(log, "Contacts of alice on " + phone.DeviceId() + ": 1 items uploaded"), 1) << log;
    EXPECT_EQ(Count(log, "Contacts of alice on " + phone.DeviceId() + ": restore of 1 items"), 1) << log;
    EXPECT_NE(ServerText(GuidOf("contact", "Mensah")).find("Head of sites"), std::string::npos);
    EXPECT_NE(phone.Export("contacts").find("+34 600 555 999"), std::string::npos);

    // One deleted on each side.
    ASSERT_TRUE(phone.Delete(phone.IdsOf("contacts", "Wójcik, Mia").at(0)));
    ASSERT_TRUE(Admin("delete-item", {{"user-id", kUser}, {"guid", GuidOf("contact", "Dubois")}}).Ok());
    ASSERT_EQ(phone.Sync(), 0) << phone.LastFailure();
    std::vector<std::string> serverNames;
    for (const auto& [guid, summary] : ServerItems("contact"))
        serverNames.push_back(summary.substr(0, summary.find(';')));
    std::sort(serverNames.begin(), serverNames.end());
    EXPECT_EQ(serverNames, (std::vector<std::string>{"Lindqvist", "Mensah", "Núñez", "田中"}));
    EXPECT_TRUE(phone.IdsOf("contacts", "Dubois, Zoë").empty());
    EXPECT_EQ(phone.Items("contacts").size(), 4u);
}

TEST_F(PimEndToEndTest, FreshHandsetRestoresEverythingAndTwoHandsetsConverge)
{
    SyncSamples();
    CHandsetProcess& first = Handset(0);
    CHandsetProcess& second = Handset(1);
    ASSERT_EQ(second.Restore(), 0) << second.LastFailure();
    for (const char* kind : {"contacts", "appointments", "tasks"})
        EXPECT_EQ(second.Items(kind), first.Items(kind)) << kind;
    // The weekly meeting keeps its rule and the week it skips, the picnic its day; the task its priority.
    const std::string calendar = second.Export("appointments");
    EXPECT_NE(calendar.find("RRULE:W1 TU #0\r\nEXDATE:20250114T090000Z\r\n"), std::string::npos) << calendar;
    EXPECT_NE(calendar.find("DTSTART;VALUE=DATE:20250620\r\nDTEND;VALUE=DATE:20250621\r\n"), std::string::npos)
        << calendar;
    EXPECT_NE(second.Export("tasks").find("SUMMARY:Renew passport\r\nDESCRIPTION:Photos first\\, then the form.\r\n"
                                          "PRIORITY:1\r\n"),
              std::string::npos);
    EXPECT_NE(second.Export("contacts").find("PHOTO;TYPE=JPEG;ENCODING=BASE64:/9j/"), std::string::npos);

    // Each changes its own items, then both sync in turn.
    ASSERT_TRUE(second.Import(CardText("Okafor", "Chidi", {"TEL;CELL:+234 803 555 0101"})));
    ASSERT_TRUE(second.Edit(second.IdsOf("contacts", "田中, 由紀").at(0),
                            CardText("田中", "由紀", {"EMAIL;INTERNET:yuki@example.org"})));
    ASSERT_TRUE(first.Delete(first.IdsOf("contacts", "Wójcik, Mia").at(0)));
    ASSERT_TRUE(first.Delete(first.IdsOf("tasks", "Book the ferry to Åland").at(0)));
    for (CHandsetProcess* phone : {&first, &second, &first})
        ASSERT_EQ(phone->Sync(), 0) << phone->LastFailure();
    for (const char* kind : {"contacts", "appointments", "tasks"}) {
        EXPECT_EQ(second.Items(kind), first.Items(kind)) << kind;
        EXPECT_TRUE(Unique(first.Items(kind))) << kind;
    }
    EXPECT_EQ(first.Items("contacts").size(), 6u);
    EXPECT_EQ(ServerItems("contact").size(), 6u);
    EXPECT_EQ(first.Items("tasks").size(), 1u);
}

TEST_F(PimEndToEndTest, CalendarSyncMovesAppointmentsAndTasksOnly)
{
    SyncSamples();
    CHandsetProcess& phone = Handset(0);
    ASSERT_TRUE(Admin("change-item", {{"user-id", kUser},
                                      {"guid", GuidOf("contact", "Núñez")},
                                      {"file", CardText("Núñez", "José", {"NOTE:moved"})}})
                    .Ok());
    ASSERT_TRUE(Admin("add-items", {{"user-id", kUser},
                                    {"file", "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VTODO\r\nSUMMARY:Water the "
                                             "plants\r\nPRIORITY:3\r\nEND:VTODO\r\nEND:VCALENDAR\r\n"}})
                    .Ok());
    ASSERT_TRUE(phone.Delete(phone.IdsOf("appointments", "Midsummer picnic – all day").at(0)));
    NewLogLines();
    ASSERT_EQ(phone.Cli({"--yes", "calendar-sync"}).first, 0);
    const std::string log = NewLogLines();
    EXPECT_EQ(Count(log, "Contacts of alice"), 0) << log;
    EXPECT_EQ(phone.IdsOf("tasks", "Water the plants").size(), 1u);
    EXPECT_EQ(ServerItems("event").size(), 1u);
    EXPECT_EQ(phone.Export("contacts").find("NOTE:moved"), std::string::npos);
}

// A connection cut at request N+1 of a Sync, each request in turn: before the server runs it, or after
// (only the answer is lost); or answered with status 500. The transport sends a request again once on
// a fresh connection, so the cut takes that one too. Nothing is lost or duplicated and the next Sync
// converges.
TEST_F(PimEndToEndTest, ACutOrFailedRequestAnywhereInASyncLosesAndDuplicatesNothing)
{
    SyncSamples();
    CHandsetProcess& phone = Handset(0);
    // StartNegotiation, CompleteNegotiation, then Crc, Sync and Map of each kind, SessionCompleted.
    constexpr int kRequests = 12;
    struct Fault {
        const char* field;
        const char* value;
        const char* count;
    };
    const Fault faults[] = {{"drop", "before", "2"}, {"drop", "after", "2"}, {"status", "500", "1"}};
    int round = 0;
    for (const Fault& fault : faults) {
        for (int skip = 0; skip < kRequests; ++skip, ++round) {
            SCOPED_TRACE(std::string(fault.field) + " " + fault.value + " at request " + std::to_string(skip + 1));
            const std::string mark = "Round " + std::to_string(round);
            // A change on each side, to travel through the cut Sync or the one after it.
            ASSERT_TRUE(phone.Edit(phone.IdsOf("contacts", "Mensah, Kwame").at(0),
                                   CardText("Mensah", "Kwame", {"TITLE:" + mark})));
            ASSERT_TRUE(Admin("change-item", {{"user-id", kUser},
                                              {"guid", GuidOf("contact", "Núñez")},
                                              {"file", CardText("Núñez", "José", {"NOTE:" + mark})}})
                            .Ok());
            ASSERT_TRUE(Admin("inject", {{"command", "*"},
                                         {"device", phone.DeviceId()},
                                         {"skip", std::to_string(skip)},
                                         {"count", fault.count},
                                         {fault.field, fault.value}})
                            .Ok());
            const int cut = phone.Sync();
            Admin("clear-rules");
            EXPECT_NE(cut, 0) << "the fault came within the Sync";
            ASSERT_EQ(phone.Sync(), 0) << phone.LastFailure();

            const std::vector<std::string> contacts = phone.Items("contacts");
            EXPECT_EQ(contacts.size(), 6u) << ::testing::PrintToString(contacts);
            EXPECT_TRUE(Unique(contacts));
            EXPECT_EQ(ServerItems("contact").size(), 6u);
            EXPECT_NE(ServerText(GuidOf("contact", "Mensah")).find(mark), std::string::npos);
            EXPECT_NE(phone.Export("contacts").find("NOTE:" + mark), std::string::npos);
            EXPECT_EQ(phone.Items("appointments").size(), 2u);
            EXPECT_EQ(phone.Items("tasks").size(), 2u);
        }
    }
}

TEST_F(PimEndToEndTest, HandsetKilledInTheMiddleOfARestoreKeepsAReadableStoreAndConverges)
{
    // An address book large enough that the restore takes several chunks, uploaded by one handset.
    constexpr int kContacts = 4000;
    std::string book;
    for (int i = 0; i < kContacts; ++i)
        book += CardText("Person" + std::to_string(i), "Fictional",
                         {"TEL;CELL:+1 555 " + std::to_string(100000 + i), "NOTE:" + std::string(120, 'n')});
    CHandsetProcess& source = Handset(0);
    ASSERT_TRUE(source.Import(book));
    ASSERT_EQ(source.Sync(), 0) << source.LastFailure();

    // A fresh handset restores the account, or gets it by its first Sync; either is killed once the
    // first chunks are in its store. The map of what it applied must reach the server with its next
    // Sync, or the server takes those items for new ones of the handset.
    for (const char* command : {"restore", "sync"}) {
        SCOPED_TRACE(command);
        CHandsetProcess& phone = Handset(std::string_view(command) == "restore" ? 1 : 2);
        CCliProcess run;
        ASSERT_TRUE(run.Start({"--yes", command}, phone.Environment(), ""));
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        int applied = 0;
        while (applied == 0 && std::chrono::steady_clock::now() < deadline) {
            const auto [status, output] = phone.Pim({"count", "contacts"});
            applied = status == 0 ? std::atoi(output.c_str()) : 0;
        }
        run.Signal(SIGKILL);
        run.Wait(10s);
        ASSERT_GT(applied, 0) << run.Output();

        const auto [status, output] = phone.Pim({"count", "contacts"});
        EXPECT_EQ(status, 0) << "the store reads after the kill: " << output;
        const int kept = std::atoi(output.c_str());
        EXPECT_GE(kept, applied);
        EXPECT_EQ(phone.Items("contacts").size(), static_cast<std::size_t>(kept));

        NewLogLines();
        ASSERT_EQ(phone.Sync(), 0) << phone.LastFailure();
        const std::string log = NewLogLines();
        EXPECT_EQ(Count(log, "Contacts of alice on " + phone.DeviceId() + ": " + std::to_string(kept) +
                                 " listed, 0 requested"),
                  1)
            << "the server knows every applied item by its map, and asks for none of them again\n" << log;
        const std::vector<std::string> contacts = phone.Items("contacts");
        EXPECT_EQ(contacts.size(), static_cast<std::size_t>(kContacts));
        EXPECT_TRUE(Unique(contacts));
        EXPECT_EQ(ServerItems("contact").size(), static_cast<std::size_t>(kContacts));
        EXPECT_EQ(contacts, source.Items("contacts"));
    }
}

} // namespace
