// Text messages end to end: handsets run as their users run them (lumeno-sms to bring an archive in
// and read the store, lumeno-cli to back up, sync and restore), against a real lumeno-refserver whose
// operator adds and deletes messages on the server's side.

#include "HandsetsFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

// The messages of a folder as "folder, time, peer, text" lines in table order (the ids left out,
// they are the handset's own).
std::vector<std::string> Listed(const CHandsetProcess& handset, const std::string& folder)
{
    const auto [status, output] = handset.Sms({"list", folder});
    EXPECT_EQ(status, 0) << output;
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(line.find('\t') + 1));
    return lines;
}

std::vector<std::string> Synced(const CHandsetProcess& handset)
{
    std::vector<std::string> lines = Listed(handset, "inbox");
    const std::vector<std::string> sent = Listed(handset, "sent");
    lines.insert(lines.end(), sent.begin(), sent.end());
    return lines;
}

class SmsEndToEndTest : public HandsetsTest {
protected:
    // Only its text messages selected.
    void Prepare(CHandsetProcess& handset) override
    {
        for (const auto& [name, value] :
             {std::pair{"Sync-Sms", "1"}, {"Sync-Contacts", "0"}, {"Sync-Events", "0"}})
            EXPECT_EQ(handset.Cli({"settings", "set", name, value}).first, 0);
    }

    // The account's messages not marked deleted: text -> id.
    std::map<std::string, std::string> ServerMessages() const
    {
        std::map<std::string, std::string> messages;
        for (const AdminRecord& message : Admin("list-messages", {{"user-id", kUser}}).records)
            messages[message.GetOr("text")] = message.GetOr("id");
        return messages;
    }
};

TEST_F(SmsEndToEndTest, MessagesGoToTheServerAndComeBackIntoTheirFoldersOnce)
{
    CHandsetProcess& phone = Handset(0);
    const auto [imported, importOutput] =
        phone.Sms({"import", std::string(LUMENO_SMS_SAMPLES_DIR) + "/sms-archive-phone.xml"});
    ASSERT_EQ(imported, 0) << importOutput;
    const std::vector<std::string> original = Synced(phone);
    ASSERT_EQ(original.size(), 4u);

    // Inbox and Sent Items reach the server, emoji and all; drafts and the outbox stay on the phone.
    ASSERT_EQ(phone.Cli({"--yes", "backup"}).first, 0) << phone.LastFailure();
    std::map<std::string, std::string> held = ServerMessages();
    EXPECT_EQ(held.size(), 4u);
    EXPECT_TRUE(held.contains("Frohe Weihnachten! \U0001F385\U0001F600"));
    EXPECT_TRUE(held.contains("Danke, euch auch!\nBis morgen & liebe Grüße"));

    // A Sync of what the server already holds adds nothing on either side.
    ASSERT_EQ(phone.Sync(), 0) << phone.LastFailure();
    EXPECT_EQ(ServerMessages(), held);
    EXPECT_EQ(Synced(phone), original);

    // The operator's new message arrives, the one marked deleted goes; drafts and outbox untouched.
    const AdminReply added = Admin("add-message", {{"user-id", kUser},
                                                   {"folder", "inbox"},
                                                   {"from", "Carl"},
                                                   {"time", "2023-12-26T15:45:00Z"},
                                                   {"text", "Neu vom Server"}});
    ASSERT_TRUE(added.Ok()) << added.error;
    ASSERT_TRUE(Admin("delete-message", {{"user-id", kUser}, {"id", held.at("Привет! Как дела? 👍")}}).Ok());
    ASSERT_EQ(phone.Sync(), 0) << phone.LastFailure();
    const std::vector<std::string> synced = Synced(phone);
    EXPECT_EQ(synced.size(), 4u);
    EXPECT_NE(std::find(synced.begin(), synced.end(), "inbox\t2023-12-26 15:45:00\tCarl\tNeu vom Server"),
              synced.end())
        << ::testing::PrintToString(synced);
    for (const std::string& line : synced)
        EXPECT_EQ(line.find("Привет"), std::string::npos) << line;
    EXPECT_EQ(phone.Sms({"count"}).second, "inbox\t3\nsent\t1\ndrafts\t1\noutbox\t1\ndeleted\t0\n");
    const std::string summary = phone.Cli({"summary"}).second;
    EXPECT_NE(summary.find("1 text messages added"), std::string::npos) << summary;
    EXPECT_NE(summary.find("1 text messages deleted"), std::string::npos) << summary;

    // A fresh handset gets the same messages, the afternoon ones at their hour, and a second restore
    // adds nothing, there as on the phone.
    CHandsetProcess& fresh = Handset(1);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(fresh.Restore(), 0) << fresh.LastFailure();
        EXPECT_EQ(Synced(fresh), synced);
    }
    ASSERT_EQ(phone.Restore(), 0) << phone.LastFailure();
    EXPECT_EQ(Synced(phone), synced);
}

TEST_F(SmsEndToEndTest, SyncCutAtAnyRequestLosesAndDuplicatesNothing)
{
    CHandsetProcess& phone = Handset(0);
    const std::filesystem::path archive = m_server.Folder() / "new.xml";
    constexpr int kRequests = 4; // StartNegotiation, CompleteNegotiation, the messages, SessionCompleted
    std::size_t expected = 0;
    int round = 0;
    for (const char* when : {"before", "after"}) {
        for (int skip = 0; skip < kRequests; ++skip, ++round) {
            SCOPED_TRACE(std::string("drop ") + when + " request " + std::to_string(skip + 1));
            // A new message on each side, to travel through the cut Sync or the one after it.
            const std::string mark = std::to_string(round);
            std::ofstream(archive) << "<smses><sms address=\"+4917000\" date=\"17034" << 10 + round
                                   << "000000\" type=\"2\" body=\"phone " << mark << "\" /></smses>";
            ASSERT_EQ(phone.Sms({"import", archive.string()}).first, 0);
            ASSERT_TRUE(
                Admin("add-message", {{"user-id", kUser},
                                      {"folder", "inbox"},
                                      {"from", "Carl"},
                                      {"time", "2023-12-2" + std::to_string(round % 8) + "T15:45:00Z"},
                                      {"text", "server " + mark}})
                    .Ok());
            expected += 2;
            ASSERT_TRUE(Admin("inject", {{"command", "*"},
                                         {"device", phone.DeviceId()},
                                         {"skip", std::to_string(skip)},
                                         {"drop", when}})
                            .Ok());
            const int cut = phone.Sync();
            EXPECT_TRUE(Admin("list-rules").records.empty()) << "the cut came within the Sync";
            Admin("clear-rules");
            EXPECT_TRUE(cut == 0 || cut == 1 || cut == 4) << cut;
            ASSERT_EQ(phone.Sync(), 0) << phone.LastFailure();

            const std::vector<std::string> synced = Synced(phone);
            EXPECT_EQ(synced.size(), expected) << ::testing::PrintToString(synced);
            EXPECT_EQ(std::set<std::string>(synced.begin(), synced.end()).size(), synced.size());
            EXPECT_EQ(ServerMessages().size(), expected);
        }
    }
}

} // namespace
