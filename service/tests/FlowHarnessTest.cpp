// The flow harness itself: a whole settings session driven request by request against the script.

#include "FlowHarness.h"

namespace {

class FlowHarnessTest : public FlowHarness {};

TEST_F(FlowHarnessTest, DrivesASessionRequestByRequestAndFailsPastTheScript)
{
    const std::vector<HttpResponse> session = {
        CScriptedHttp::Ok({{"QX-SessionID", "s1"}, {"QX-Challenge", "c"}}),
        CScriptedHttp::Ok({}),
        CScriptedHttp::Ok({}, "<QXSync><setting-list><setting name=\"Sync-Period\" value=\"14\"/>"
                              "</setting-list></QXSync>"),
        CScriptedHttp::Ok({}),
    };
    const std::vector<std::string> commands = {"StartNegotiation", "CompleteNegotiation", "RetrieveSettings",
                                               "SessionCompleted"};
    struct Case {
        std::size_t answered; // how many of the session's answers are scripted
        RETURNED_RES result;
        std::int32_t retrieved;
    };
    for (const Case c : {Case{4, RES_OK, 1}, Case{2, RES_ERROR, 0}}) {
        SCOPED_TRACE(c.answered);
        CScriptedHttp server;
        m_service->DisconnectServer();
        ASSERT_EQ(m_service->ConnectServer(), 1);
        Settings()->Sync_Period = 7;
        Settings()->SettingsRettrived = 0;
        Settings()->QX_key = u"k3y";
        for (std::size_t i = 0; i < c.answered; ++i)
            server.Answer(session[i]);

        EXPECT_EQ(m_service->SettingsRetrieveFlow(m_window->Handle()), c.result);
        const std::size_t sent = std::min(c.answered + 1, session.size());
        EXPECT_EQ(server.Commands(), std::vector(commands.begin(), commands.begin() + sent));
        EXPECT_TRUE(server.Requests().back().target.ends_with(";s1")) << "requests carry the session id";
        EXPECT_EQ(server.Requests()[1].Header("QX-Operation"), "RetrieveSettings");
        EXPECT_EQ(Settings()->Sync_Period, c.result == RES_OK ? 14 : 7);
        EXPECT_EQ(Settings()->SettingsRettrived, c.retrieved);
    }
}

} // namespace
