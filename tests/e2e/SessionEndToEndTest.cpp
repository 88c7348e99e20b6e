// Sessions beyond the plain case: a server that first asks for a push round trip, and accounts that
// outlive a restart of the server.

#include "EndToEndFixture.h"

#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/PushMessage.h"

namespace {


class SessionEndToEndTest : public EndToEndTest {};

TEST_F(SessionEndToEndTest, PushRoundTripTheServerAsksForWakesTheNegotiation)
{
    const std::string userId = RegisterByOperator().GetOr("user-id");
    ASSERT_TRUE(Admin("set-device", {{"device", kDeviceId}, {"expect-cir", "true"}}).Ok());

    ASSERT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    EXPECT_TRUE(m_user.ShownBoxes().empty()) << "the push came in time";
    ASSERT_TRUE(WaitForPushes(1));
    const std::vector<HandledPush> pushes = m_window->Pushes();
    ASSERT_EQ(pushes.size(), 1u);
    EXPECT_EQ(pushes[0].result, 1);
    EXPECT_EQ(pushes[0].info.command, CIR_CHANGE_MSISDN);
    EXPECT_EQ(StoredText(u"UserId"), Utf8ToUtf16(userId));
    // The negotiation waited with its progress from 20 on, and once the push came started over.
    std::vector<std::int32_t> waited;
    for (const ProgressReport& report : m_window->Progress()) {
        if (report.text == BrandingText(kTextWaitingForServer))
            waited.push_back(report.value);
    }
    ASSERT_FALSE(waited.empty());
    EXPECT_EQ(waited.front(), 20);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"StartNegotiation", "StartNegotiation"}));
    EXPECT_EQ(Device().GetOr("expect-cir"), "false");

    // The session of the second negotiation goes on.
    EXPECT_EQ(m_service->CompleteNegotiation(u"Sync", 1, 0, 0, 1, 0), RES_OK);
    EXPECT_EQ(m_service->CompleteSession(), RES_OK);
    EXPECT_EQ(Device().GetOr("session-operation"), "Sync:Contacts;Files;");
}

TEST_F(SessionEndToEndTest, ErrorReportOfTheSessionReachesTheServer)
{
    RegisterByOperator();
    ASSERT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    ASSERT_EQ(m_service->CompleteNegotiation(u"Restore", 1, 0, 0, 0, 0), RES_OK);
    m_service->m_errorRecorded = true;
    m_service->m_errorLevel = 3;
    m_service->m_errorMessage = u"Kontakte: 2 nicht gespeichert \u2013 Speicher voll";
    EXPECT_EQ(m_service->CompleteSession(), RES_OK);
    const AdminRecord device = Device();
    EXPECT_EQ(device.GetOr("session-error-level"), "3");
    EXPECT_EQ(device.GetOr("session-error-message"),
              "Kontakte: 2 nicht gespeichert \xE2\x80\x93 Speicher voll");

    // The next session starts without the report.
    EXPECT_EQ(RunSession(u"Sync"), RES_OK);
    EXPECT_FALSE(Device().Get("session-error-level"));
}

TEST_F(SessionEndToEndTest, AccountsSurviveARestartOfTheServer)
{
    // Keys and configuration as the server handed them out.
    ASSERT_TRUE(Admin("add-account", {{"user-id", "bob"}, {"password", "sesame"}}).Ok());
    Settings()->UserId = u"bob";
    Settings()->Password = u"sesame";
    int alreadyIdentified = -1;
    ASSERT_EQ(m_service->IdentifyDevice(Window(), alreadyIdentified), RES_OK);
    ASSERT_TRUE(Admin("set-settings", {{"user-id", "bob"}, {"set", "Sync-Period=10"}}).Ok());
    ASSERT_EQ(m_service->SettingsRetrieveFlow(Window()), RES_OK);
    ASSERT_EQ(RunSession(u"Sync"), RES_OK);
    const std::string deviceKey = Device().GetOr("device-key");

    // The handset connects again to the restarted server.
    m_service->DisconnectServer();
    ASSERT_TRUE(m_server.Restart()) << m_server.Error();
    ASSERT_EQ(m_service->ConnectServer(), 1);

    EXPECT_EQ(m_service->StartNegotiation(Window()), RES_OK) << "the configuration version survived too";
    EXPECT_EQ(m_service->CompleteNegotiation(u"Restore", 1, 0, 1, 0, 0), RES_OK);
    EXPECT_EQ(m_service->CompleteSession(), RES_OK);
    const AdminRecord device = Device();
    EXPECT_EQ(device.GetOr("device-key"), deviceKey);
    EXPECT_EQ(device.GetOr("user-id"), "bob");
    EXPECT_EQ(device.GetOr("session-state"), "completed");
    EXPECT_EQ(device.GetOr("session-operation"), "Restore:Contacts;Calendar;");
    EXPECT_EQ(Account("bob").GetOr("ukey"), Utf16ToUtf8(Settings()->Ukey));
}

} // namespace
