// Sessions over HTTP: StartNegotiation, CompleteNegotiation, SessionCompleted, as a handset sends them.

#include "ServerFixture.h"

#include "RawConnection.h"
#include "protocol/Credentials.h"

namespace {

class NegotiationTest : public ServerTest {};

TEST_F(NegotiationTest, StartNegotiationHandsOutASessionAndAChallenge)
{
    CTestHandset handset = Handset("DEV1");
    Register(handset, "DEV1");
    const HandsetAnswer answer = handset.StartNegotiation();
    ASSERT_EQ(answer.status, 200) << answer.body;
    EXPECT_FALSE(answer.HasError()) << answer.ErrorMessage();
    EXPECT_EQ(answer.Header("QX-SessionID")->size(), 32u);
    EXPECT_EQ(answer.Header("QX-Challenge")->size(), 32u);
    EXPECT_EQ(answer.Header("Set-Cookie"), "QXSESSION=" + handset.sessionId + "; path=/sync/serv");
    EXPECT_EQ(answer.Header("QX-RetrieveSettings"), "true") << "a handset without a configuration version";
    EXPECT_FALSE(answer.Header("QX-ExpectCir"));

    const std::string firstSession = handset.sessionId;
    const std::string firstChallenge = handset.challenge;
    handset.StartNegotiation("1");
    EXPECT_NE(handset.sessionId, firstSession);
    EXPECT_NE(handset.challenge, firstChallenge);
}

TEST_F(NegotiationTest, ConfigurationVersionDecidesWhetherSettingsAreRetrieved)
{
    CTestHandset handset = Handset("DEV1");
    Register(handset, "DEV1");
    EXPECT_EQ(handset.StartNegotiation("1").Header("QX-RetrieveSettings"), "false");
    EXPECT_EQ(handset.StartNegotiation("0").Header("QX-RetrieveSettings"), "true");

    const AdminReply changed =
        Admin("set-settings", {{"user-id", handset.userId}, {"set", "Sync-Period=14"}});
    ASSERT_TRUE(changed.Ok()) << changed.error;
    EXPECT_EQ(changed.records.at(0).Get("config-version"), "2");
    EXPECT_EQ(handset.StartNegotiation("1").Header("QX-RetrieveSettings"), "true");
    EXPECT_EQ(handset.StartNegotiation("2").Header("QX-RetrieveSettings"), "false");
}

TEST_F(NegotiationTest, ChallengeResponseIsCheckedAgainstTheDeviceKey)
{
    CTestHandset handset = Handset("DEV1");
    Register(handset, "DEV1");
    handset.StartNegotiation();
    // The response is Base64 of MD5 over the challenge followed by the key, with nothing between.
    const HandsetAnswer right = handset.Send(
        "CompleteNegotiation", {{"QX-Challenge", KeyedDigest(handset.challenge, handset.deviceKey)},
                                {"QX-Initiator", "SchedulerInitiated"},
                                {"QX-Operation", "Restore:Contacts;Calendar;"}});
    EXPECT_EQ(right.status, 200);
    EXPECT_FALSE(right.HasError()) << right.ErrorMessage();
    const AdminRecord device = Device("DEV1");
    EXPECT_EQ(device.Get("session-state"), "negotiated");
    EXPECT_EQ(device.Get("session-operation"), "Restore:Contacts;Calendar;");
    EXPECT_EQ(device.Get("session-initiator"), "SchedulerInitiated");

    struct Case {
        const char* name;
        HeaderList headers;
        const char* code;
    };
    const Case cases[] = {
        {"key with a separator",
         {{"QX-Challenge", KeyedDigest(handset.challenge + ";", handset.deviceKey)}},
         "401"},
        {"another key", {{"QX-Challenge", KeyedDigest(handset.challenge, "0123456789ABCDEF")}}, "401"},
        {"the challenge itself", {{"QX-Challenge", handset.challenge}}, "401"},
        {"no response", {}, "400"},
    };
    for (const Case& c : cases) {
        handset.StartNegotiation();
        const HandsetAnswer wrong = handset.Send("CompleteNegotiation", c.headers);
        EXPECT_EQ(wrong.status, 200) << c.name;
        EXPECT_EQ(wrong.ErrorCode(), c.code) << c.name;
        EXPECT_FALSE(wrong.ErrorMessage().empty()) << c.name;
        EXPECT_EQ(Device("DEV1").Get("session-state"), "started") << c.name;
    }
}

TEST_F(NegotiationTest, WrongCredentialsAndUnknownDevicesGetAnErrorTheHandsetShows)
{
    CTestHandset handset = Handset("DEV1");
    Register(handset, "DEV1", "sesame");
    ASSERT_TRUE(handset.Negotiate());

    struct Case {
        const char* name;
        std::string CTestHandset::*field;
        std::string value;
        const char* code;
    };
    const Case cases[] = {
        {"wrong password", &CTestHandset::password, "open", "403"},
        {"no password", &CTestHandset::password, "", "403"},
        {"another user id", &CTestHandset::userId, "999", "403"},
        {"another user key", &CTestHandset::userKey, "FFFF", "403"},
    };
    for (const Case& c : cases) {
        CTestHandset wrong = Handset("DEV1");
        wrong.deviceKey = handset.deviceKey;
        wrong.userKey = handset.userKey;
        wrong.userId = handset.userId;
        wrong.password = handset.password;
        wrong.*c.field = c.value;
        const HandsetAnswer answer = wrong.StartNegotiation();
        EXPECT_EQ(answer.status, 200) << c.name;
        EXPECT_EQ(answer.ErrorCode(), c.code) << c.name;
        EXPECT_FALSE(answer.Header("QX-SessionID")) << c.name;
    }

    CTestHandset stranger = Handset("NOBODY");
    const HandsetAnswer unknown = stranger.StartNegotiation();
    EXPECT_EQ(unknown.ErrorCode(), "404");
    EXPECT_NE(unknown.ErrorMessage().find("NOBODY"), std::string::npos) << unknown.ErrorMessage();
}

// Pushes go to where a device's requests last came from: only a request that passed its checks may
// move that.
TEST_F(NegotiationTest, RequestsThatFailTheirChecksLeaveTheDeviceRecordAlone)
{
    CTestHandset handset = Handset("DEV1");
    Register(handset, "DEV1", "sesame");
    ASSERT_TRUE(handset.Negotiate());
    ASSERT_EQ(Device("DEV1").Get("last-address"), "127.0.0.1");

    const HeaderList right = {{"QX-DeviceID", "DEV1"},
                              {"QX-Ukey", handset.userKey},
                              {"QX-UserID", handset.userId},
                              {"QX-Password", "sesame"},
                              {"user-agent", "Intruder"}};
    struct Case {
        const char* name;
        const char* command;
        const char* header; // replaced, or left out when the value is empty
        const char* value;
        const char* lastAddress;
    };
    const Case cases[] = {
        {"wrong password", "StartNegotiation", "QX-Password", "open", "127.0.0.1"},
        {"no user key", "StartNegotiation", "QX-Ukey", "", "127.0.0.1"},
        {"wrong user key", "StartNegotiation", "QX-Ukey", "FFFF", "127.0.0.1"},
        {"identification with a wrong password", "IdentifyDevice", "QX-Password", "open", "127.0.0.1"},
        {"registration start", "InitDevice", "QX-RetryNumber", "0", "127.0.0.1"},
        {"right credentials", "StartNegotiation", "QX-Password", "sesame", "127.0.0.2"},
    };
    for (const Case& c : cases) {
        HeaderList headers = {{"QX-Command", c.command}};
        for (const auto& [name, value] : right) {
            if (name != c.header)
                headers.emplace_back(name, value);
        }
        if (*c.value)
            headers.emplace_back(c.header, c.value);
        CRawConnection elsewhere(m_server.HttpPort(), "127.0.0.2");
        ASSERT_TRUE(elsewhere.Send(RequestHead("GET /sync/serv HTTP/1.1", headers))) << c.name;
        EXPECT_EQ(elsewhere.Receive().status, 200) << c.name;
        const AdminRecord device = Device("DEV1");
        EXPECT_EQ(device.Get("last-address"), c.lastAddress) << c.name;
        EXPECT_EQ(device.Get("user-agent") == "Intruder", std::string(c.lastAddress) == "127.0.0.2") << c.name;
    }
}

TEST_F(NegotiationTest, SessionTravelsInThePathOrInTheCookie)
{
    CTestHandset handset = Handset("DEV1");
    Register(handset, "DEV1");
    handset.StartNegotiation();
    const std::string session = handset.sessionId;
    const std::string response = handset.ChallengeResponse();

    // Without a session in the path the cookie names it, as the handset sends it when it has no id.
    handset.sessionId.clear();
    const HandsetAnswer byCookie =
        handset.Send("CompleteNegotiation", {{"Cookie", "QXSESSION=" + session}, {"QX-Challenge", response}});
    EXPECT_FALSE(byCookie.HasError()) << byCookie.ErrorMessage();

    const HandsetAnswer none = handset.Send("RetrieveSettings");
    EXPECT_EQ(none.ErrorCode(), "410");
    handset.sessionId = "0123456789ABCDEF0123456789ABCDEF";
    EXPECT_EQ(handset.Send("RetrieveSettings").ErrorCode(), "410") << "unknown session";

    CTestHandset other = Handset("DEV2");
    Register(other, "DEV2");
    other.sessionId = session;
    EXPECT_EQ(other.Send("RetrieveSettings").ErrorCode(), "410") << "another device's session";
}

TEST_F(NegotiationTest, SettingsNeedANegotiatedSession)
{
    CTestHandset handset = Handset("DEV1");
    Register(handset, "DEV1");
    handset.StartNegotiation();
    EXPECT_EQ(handset.Send("RetrieveSettings").ErrorCode(), "409");
    handset.CompleteNegotiation("RetrieveSettings");
    EXPECT_FALSE(handset.Send("RetrieveSettings").HasError());
}

TEST_F(NegotiationTest, SessionCompletedRecordsTheErrorReportAndEndsTheSession)
{
    CTestHandset handset = Handset("DEV1");
    Register(handset, "DEV1");
    ASSERT_TRUE(handset.Negotiate("Backup:Contacts;"));
    // "Übertragung fehlgeschlagen" in UTF-8, Base64 split by a blank, which a lenient reader skips.
    const HandsetAnswer completed =
        handset.Send("SessionCompleted",
                     {{"QX-ErrorLevel", "3"}, {"QX-ErrorMessage", "w5xiZXJ0cmFndW5n IGZlaGxnZXNjaGxhZ2Vu"}});
    EXPECT_EQ(completed.status, 200);
    EXPECT_FALSE(completed.HasError());
    const AdminRecord device = Device("DEV1");
    EXPECT_EQ(device.Get("session-state"), "completed");
    EXPECT_EQ(device.Get("session-error-level"), "3");
    EXPECT_EQ(device.Get("session-error-message"), "\xC3\x9C"
                                                   "bertragung fehlgeschlagen");

    EXPECT_EQ(handset.Send("SessionCompleted").ErrorCode(), "410") << "a completed session is over";

    ASSERT_TRUE(handset.Negotiate());
    EXPECT_FALSE(handset.Send("SessionCompleted").HasError());
    EXPECT_FALSE(Device("DEV1").Get("session-error-level")) << "a session without a report shows none";

    ASSERT_TRUE(handset.Negotiate());
    const HandsetAnswer badLevel = handset.Send("SessionCompleted", {{"QX-ErrorLevel", "high"}});
    EXPECT_EQ(badLevel.status, 400);
    EXPECT_NE(badLevel.body.find("QX-ErrorLevel"), std::string::npos) << badLevel.body;
}

} // namespace
