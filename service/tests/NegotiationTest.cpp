// Opening, completing and closing a server session: the challenge answer, the operation header, the
// announced push and its wait, repeats asked by server dialogs, the error report.

#include "FlowFixture.h"
#include "service/BrandingTexts.h"
#include "service/UI_Sync.h"
#include "utils/Base64.h"

namespace {

using namespace std::chrono_literals;


class NegotiationTest : public FlowTest {
protected:
    std::vector<std::string> Commands() const
    {
        std::vector<std::string> commands;
        for (const RecordedRequest& request : m_server.Requests())
            commands.push_back(request.Header("QX-Command").value_or("?"));
        return commands;
    }
};

// The answer is Base64 of MD5 over the challenge and the key, one byte per character (its low byte):
// references computed apart from the code under test.
TEST_F(NegotiationTest, ChallengeIsAnsweredWithTheDigestOfChallengeAndDeviceKey)
{
    struct Case {
        const char* challenge;
        std::u16string key;
        std::u16string answer;
    };
    const Case cases[] = {
        {"abc", u"k3y", u"NR2RrmguwhF2J683W6ysYg=="},
        {"chal1", u"k\u00e9\u20acy", u"zunzVR2fhAYvKWqKL9nB6g=="}, // low bytes E9 and AC, not UTF-8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.challenge);
        Settings()->QX_key = c.key;
        m_server.Queue200({{"QX-Challenge", c.challenge}, {"QX-SessionID", "s1"}});
        EXPECT_EQ(m_service->StartNegotiation(Window()), RES_OK);
        EXPECT_EQ(m_service->ChallengeResponse(), c.answer);
    }

    // Without a new challenge the previous answer stands in for it.
    Settings()->QX_key = u"k3y";
    m_server.Queue200({{"QX-Challenge", "abc"}});
    m_server.Queue200({});
    EXPECT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    EXPECT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    EXPECT_EQ(m_service->ChallengeResponse(), u"luTrayDUiZwBmzfUT/CcVw==");

    m_server.Queue200({});
    EXPECT_EQ(m_service->CompleteNegotiation(u"Backup", 1, 0, 0, 0, 0), RES_OK);
    EXPECT_EQ(LastRequest().Header("QX-Challenge"), "luTrayDUiZwBmzfUT/CcVw==");
}

TEST_F(NegotiationTest, SessionIdAndConfigurationVersionTravel)
{
    Settings()->Config_Version = u"v7";
    m_server.Queue200({{"QX-SessionID", "abc"}});
    m_server.Queue200({});
    EXPECT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    EXPECT_EQ(LastRequest().Header("QX-ConfigVersion"), "v7");
    EXPECT_EQ(LastRequest().target, "/sync/serv");
    EXPECT_EQ(m_service->CompleteNegotiation(u"Sync", 0, 0, 0, 0, 0), RES_OK);
    EXPECT_TRUE(LastRequest().target.starts_with("/sync/serv/")) << LastRequest().target;
    EXPECT_TRUE(LastRequest().target.ends_with(";abc")) << LastRequest().target;
}

TEST_F(NegotiationTest, ServerAskingForSettingsIsToldByTheResult)
{
    struct Case {
        const char* value;
        RETURNED_RES result;
    };
    for (const Case& c : {Case{"true", RES_SETTINGS_REQUIRED}, Case{"TRUE", RES_SETTINGS_REQUIRED},
                          Case{"false", RES_OK}, Case{"yes", RES_OK}}) {
        SCOPED_TRACE(c.value);
        m_server.Queue200({{"QX-RetrieveSettings", c.value}});
        EXPECT_EQ(m_service->StartNegotiation(Window()), c.result);
    }
}

TEST_F(NegotiationTest, RepeatAskedByServerDialogsSendsTheNegotiationAgainEachTime)
{
    const std::string dialog = "<QXSync><dialog code=\"3\"><yes><label>Again</label>"
                               "<action type=\"OperationRepeate\"/></yes></dialog></QXSync>";
    for (int repeat = 0; repeat < 3; ++repeat) {
        m_server.Queue200({{"QX-GenericDialog", "1"}}, dialog);
        m_server.Queue200({}); // the answer's reply: no new dialog, so the flow repeats
        m_window->Script(DialogAnswer::Yes());
    }
    m_server.Queue200({{"QX-SessionID", "s9"}});
    EXPECT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    const std::vector<std::string> expected = {"StartNegotiation", "GDOperation",      "StartNegotiation",
                                               "GDOperation",      "StartNegotiation", "GDOperation",
                                               "StartNegotiation"};
    EXPECT_EQ(Commands(), expected);
}

TEST_F(NegotiationTest, AnnouncedPushArrivingDuringTheWaitResumesTheNegotiation)
{
    GiveKeys();
    UseManualClock();
    m_server.Queue200({{"QX-ExpectCir", ""}});
    m_server.Queue200({{"QX-Challenge", "abc"}, {"QX-SessionID", "s2"}});
    std::future<RETURNED_RES> negotiation =
        std::async(std::launch::async, [&] { return m_service->StartNegotiation(Window()); });

    PassWaitRounds(3);
    Push(std::string("ChangeMsisdn 4917 ") + kChangeMsisdnSignature);
    CIR_INFO info;
    EXPECT_EQ(HandlePush(info), 1);
    EXPECT_EQ(info.command, CIR_CHANGE_MSISDN);

    ASSERT_EQ(negotiation.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(negotiation.get(), RES_OK);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"StartNegotiation", "StartNegotiation"}));
    EXPECT_EQ(LastRequest().Header("QX-UserID"), "4917") << "the negotiation goes on with the new user id";
    EXPECT_EQ(m_service->ChallengeResponse(), u"NR2RrmguwhF2J683W6ysYg==");
    const std::vector<std::int32_t> rounds = ProgressValues(kTextWaitingForServer);
    ASSERT_GE(rounds.size(), 4u);
    EXPECT_EQ(std::vector<std::int32_t>(rounds.begin(), rounds.begin() + 4),
              (std::vector<std::int32_t>{20, 21, 22, 23}));
    EXPECT_TRUE(m_user.ShownBoxes().empty());
}

TEST_F(NegotiationTest, AnnouncedPushThatNeverComesStopsAfterEightyRoundsWithAMessage)
{
    m_server.Queue200({{"QX-ExpectCir", "1"}});
    EXPECT_EQ(m_service->StartNegotiation(Window()), RES_STOPPED);
    EXPECT_EQ(m_clock.ElapsedMs(), 40000u);
    std::vector<std::int32_t> expected;
    for (int round = 0; round < 80; ++round)
        expected.push_back(20 + round);
    EXPECT_EQ(ProgressValues(kTextWaitingForServer), expected);
    ASSERT_EQ(m_user.ShownBoxes().size(), 1u);
    EXPECT_EQ(m_user.ShownBoxes()[0].text, BrandingText(kTextNotConfirmedInTime));
    EXPECT_EQ(m_user.ShownBoxes()[0].caption, BrandingText(kTextIdentifying));
    EXPECT_EQ(m_user.ShownBoxes()[0].type, MB_OK);
    EXPECT_EQ(m_user.ShownBoxes()[0].owner, Window());
    EXPECT_EQ(m_server.Requests().size(), 1u);
}

TEST_F(NegotiationTest, StopEndsTheSessionStepsWithOkAndSendsNothingMore)
{
    m_server.Queue200({{"QX-ExpectCir", "1"}});
    m_clock.ScheduleAt(2000, [] { UI_Sync::GetInstanceUISync()->SetStop(true); });
    EXPECT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    EXPECT_EQ(m_clock.ElapsedMs(), 2000u);
    EXPECT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    EXPECT_EQ(m_service->CompleteNegotiation(u"Sync", 1, 1, 1, 1, 0), RES_OK);
    EXPECT_EQ(m_server.Requests().size(), 1u);
    EXPECT_TRUE(m_user.ShownBoxes().empty());
    UI_Sync::GetInstanceUISync()->SetStop(false);
}

TEST_F(NegotiationTest, OperationNamesTheRequestedKindsInTheirFixedOrder)
{
    struct Case {
        const char16_t* operation;
        int contacts, messages, calendar, files, scheduler;
        const char* value;
        const char* initiator;
    };
    const Case cases[] = {
        {u"Restore", 1, 0, 1, 0, 0, "Restore:Contacts;Calendar;", "Manual"},
        {u"Restore", 0, 0, 0, 0, 0, "Restore", "Manual"},
        {u"Sync", 1, 1, 1, 1, 1, "Sync:Contacts;Messages;Calendar;Files;", "SchedulerInitiated"},
        {u"Upload", 0, 0, 0, 7, 0, "Upload:Files;", "Manual"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        m_server.Queue200({});
        EXPECT_EQ(m_service->CompleteNegotiation(c.operation, c.contacts, c.messages, c.calendar, c.files,
                                                 c.scheduler),
                  RES_OK);
        const std::vector<std::string>& lines = LastRequest().headerLines;
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(LastRequest().Header("QX-Command"), "CompleteNegotiation");
        EXPECT_EQ(lines[lines.size() - 2], std::string("QX-Initiator: ") + c.initiator);
        EXPECT_EQ(lines.back(), std::string("QX-Operation: ") + c.value);
    }
}

TEST_F(NegotiationTest, SessionEndReportsAnErrorOnlyWhenOneWasRecorded)
{
    m_server.Queue200({});
    EXPECT_EQ(m_service->CompleteSession(), RES_OK);
    EXPECT_EQ(LastRequest().Header("QX-Command"), "SessionCompleted");
    EXPECT_FALSE(LastRequest().Header("QX-ErrorLevel"));
    EXPECT_FALSE(LastRequest().Header("QX-ErrorMessage"));

    m_service->m_errorRecorded = true;
    m_service->m_errorLevel = 3;
    m_service->m_errorMessage = u"Speicher voll \u00fc";
    m_server.Queue200({});
    EXPECT_EQ(m_service->CompleteSession(), RES_OK);
    EXPECT_EQ(LastRequest().Header("QX-ErrorLevel"), "3");
    EXPECT_EQ(LastRequest().Header("QX-ErrorMessage"), Base64Encode("Speicher voll \xC3\xBC"));

    // A new negotiation forgets the report.
    m_server.Queue200({});
    m_server.Queue200({});
    EXPECT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    EXPECT_EQ(m_service->CompleteSession(), RES_OK);
    EXPECT_FALSE(LastRequest().Header("QX-ErrorLevel"));
}

TEST_F(NegotiationTest, ConfigurationVersionFlowFetchesTheSettingsAndNegotiatesAgain)
{
    m_server.Queue200({});
    m_server.Queue200({{"QX-ConfigVersion", "v8"}}, "<QXSync><setting-list/></QXSync>");
    m_server.Queue200({});
    m_server.Queue200({{"QX-SessionID", "s3"}});
    EXPECT_EQ(m_service->ConfigVersionFlow(Window()), RES_OK);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"CompleteNegotiation", "RetrieveSettings",
                                                    "SessionCompleted", "StartNegotiation"}));
    EXPECT_EQ(m_server.Requests()[0].Header("QX-Operation"), "RetrieveSettings");
    EXPECT_EQ(LastRequest().Header("QX-ConfigVersion"), "v8");

    ScriptedReply refused;
    refused.status = 500;
    m_server.Queue200({});
    m_server.Queue(refused);
    EXPECT_EQ(m_service->ConfigVersionFlow(Window()), RES_ERROR);
    EXPECT_EQ(m_server.Requests().size(), 6u) << "the failed step ends the flow";
}

// A stop, or a command inside the session that the server never answered (its dialog asked for it
// again), ends a session flow: nothing more is sent but the closing of a session the server handed out,
// and the settings do not count as retrieved.
TEST_F(NegotiationTest, StopOrUnansweredCommandEndsTheSessionFlow)
{
    m_server.Queue200({{"QX-ExpectCir", "1"}});
    m_clock.ScheduleAt(2000, [] { UI_Sync::GetInstanceUISync()->SetStop(true); });
    EXPECT_EQ(m_service->SettingsRetrieveFlow(Window()), RES_OK);
    UI_Sync::GetInstanceUISync()->SetStop(false);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"StartNegotiation"})) << "no session, nothing more";

    m_server.Queue200({{"QX-SessionID", "s1"}, {"QX-Challenge", "c"}});
    m_server.Queue200({{"QX-GenericDialog", "1"}},
                      "<QXSync><dialog code=\"3\"><yes><label>OK</label><action type=\"SendInput\"/></yes>"
                      "</dialog></QXSync>");
    m_server.Queue200({});
    m_server.Queue200({});
    m_window->Script(DialogAnswer::Yes());
    EXPECT_EQ(m_service->SettingsRetrieveFlow(Window()), RES_REPEAT);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"StartNegotiation", "StartNegotiation", "CompleteNegotiation",
                                                    "GDOperation", "SessionCompleted"}));
    EXPECT_NE(LastRequest().target.find(";s1"), std::string::npos) << LastRequest().target;
    EXPECT_EQ(Settings()->SettingsRettrived, 0);
}

} // namespace
