// Identification: keys from the server's answer, or the device key by a later push, and the bounded
// wait for it.

#include "FlowFixture.h"
#include "service/BrandingTexts.h"

namespace {

using namespace std::chrono_literals;


class IdentificationTest : public FlowTest {
protected:
    int m_already = -1;
};

TEST_F(IdentificationTest, HandsetWithBothKeysIsAlreadyIdentified)
{
    GiveKeys();
    EXPECT_EQ(m_service->IdentifyDevice(Window(), m_already), RES_OK);
    EXPECT_EQ(m_already, 1);
    EXPECT_TRUE(m_server.Requests().empty());
}

TEST_F(IdentificationTest, KeysInTheAnswerAreStoredAndSaved)
{
    Settings()->QX_key = u"old"; // one key alone does not count
    m_server.Queue200({{"QX-Ukey", "u9"}, {"QX-Key", "k9"}});
    EXPECT_EQ(m_service->IdentifyDevice(Window(), m_already), RES_OK);
    EXPECT_EQ(m_already, 0);
    EXPECT_EQ(LastRequest().Header("QX-Command"), "IdentifyDevice");
    EXPECT_EQ(StoredText(u"Ukey"), u"u9");
    EXPECT_EQ(StoredText(u"QX-key"), u"k9");
}

TEST_F(IdentificationTest, AnswerWithoutUserKeyIsAnError)
{
    m_server.Queue200({{"QX-Key", "k9"}});
    EXPECT_EQ(m_service->IdentifyDevice(Window(), m_already), RES_ERROR);
    EXPECT_TRUE(Settings()->QX_key.empty());
}

TEST_F(IdentificationTest, UserIdAskedByAServerDialogSendsTheRequestAgainWithIt)
{
    m_server.Queue200({{"QX-GenericDialog", "1"}},
                      "<QXSync><dialog code=\"4\"><input name=\"msisdn\" type=\"numeric\"/><yes>"
                      "<action type=\"InputIdentifyDevice\"/></yes></dialog></QXSync>");
    m_server.Queue200({{"QX-Ukey", "u9"}, {"QX-Key", "k9"}});
    m_window->Script(DialogAnswer::Yes(u"4917"));
    EXPECT_EQ(m_service->IdentifyDevice(Window(), m_already), RES_OK);
    ASSERT_EQ(m_server.Requests().size(), 2u);
    EXPECT_EQ(LastRequest().Header("QX-Command"), "IdentifyDevice");
    EXPECT_EQ(LastRequest().Header("QX-UserID"), "4917");
}

TEST_F(IdentificationTest, DeviceKeyByPushFromTheUserInterfaceThreadEndsTheWait)
{
    UseManualClock();
    m_server.Queue200({{"QX-Ukey", "u9"}});
    std::future<RETURNED_RES> identification =
        std::async(std::launch::async, [&] { return m_service->IdentifyDevice(Window(), m_already); });

    PassWaitRounds(2);
    Push("Key a b k9");
    CIR_INFO info;
    EXPECT_EQ(HandlePush(info), 0) << "a key delivery is no command";
    EXPECT_EQ(info.command, CIR_KEY) << "the application learns that the key came";

    ASSERT_EQ(identification.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(identification.get(), RES_OK);
    EXPECT_EQ(StoredText(u"QX-key"), u"k9");
    EXPECT_EQ(StoredText(u"Ukey"), u"u9") << "the handler's save keeps the user key the flow took";
    const std::vector<std::int32_t> counters = ProgressValues(kTextWaitingForServer);
    ASSERT_GE(counters.size(), 3u);
    EXPECT_EQ(std::vector<std::int32_t>(counters.begin(), counters.begin() + 3),
              (std::vector<std::int32_t>{0, 2, 4}));
}

// A server that pushes the key while it answers: the push may arrive first, and then no later save by
// the handler keeps the user key and user id the answer brings.
TEST_F(IdentificationTest, KeyPushThatOvertakesTheAnswerLeavesTheUserKeySaved)
{
    Push("Key a b k9");
    CIR_INFO info;
    EXPECT_EQ(HandlePush(info), 0);
    m_server.Queue200({{"QX-Ukey", "u9"}, {"QX-UserID", "77"}});
    EXPECT_EQ(m_service->IdentifyDevice(Window(), m_already), RES_OK);
    EXPECT_EQ(StoredText(u"QX-key"), u"k9");
    EXPECT_EQ(StoredText(u"Ukey"), u"u9");
    EXPECT_EQ(StoredText(u"UserId"), u"77");
}

TEST_F(IdentificationTest, WithoutTheKeyTheWaitEndsAfterFortySecondsWithTheUserKeySaved)
{
    m_server.Queue200({{"QX-Ukey", "u9"}});
    EXPECT_EQ(m_service->IdentifyDevice(Window(), m_already), RES_STOPPED);
    EXPECT_EQ(m_clock.ElapsedMs(), 40000u);
    EXPECT_EQ(ProgressValues(kTextWaitingForServer).size(), 80u);
    EXPECT_EQ(ProgressValues(kTextWaitingForServer).back(), 158);
    EXPECT_EQ(StoredText(u"Ukey"), u"u9");
}

} // namespace
