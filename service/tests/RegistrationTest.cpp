// Registration of the phone number: "InitDevice", the registration SMS through the gateway, the wait
// for the push with the keys, and the rounds that start again.

#include "FlowFixture.h"
#include "service/UI_Sync.h"

#include "service/BrandingTexts.h"
#include "utils/FormEncoding.h"

namespace {

using namespace std::chrono_literals;


// The gateway receives a form: "to=...&text=...".
std::string FormField(const std::string& body, const std::string& name)
{
    const std::size_t start = body.find(name + "=");
    if (start == std::string::npos)
        return "<none>";
    const std::size_t from = start + name.size() + 1;
    return FormDecode(std::string_view(body).substr(from, body.find('&', from) - from));
}

class RegistrationTest : public FlowTest {
protected:
    void SetUp() override
    {
        FlowTest::SetUp();
        m_gateway.Queue200({});
    }

    // The server's answer to "InitDevice" that asks for the SMS.
    void QueueSmsWanted(const char* timeoutMs = nullptr)
    {
        std::vector<std::pair<std::string, std::string>> headers = {{"QX-SendRegistrationSMS", "true"},
                                                                    {"QX-MSISDN", "+4915112345"}};
        if (timeoutMs)
            headers.emplace_back("QX-IdentificationCirTimeout", timeoutMs);
        m_server.Queue200(headers);
    }

    void QueueSmsNotWanted() { m_server.Queue200({{"QX-SendRegistrationSMS", "false"}}); }

    std::vector<std::string> RetryNumbers() const
    {
        std::vector<std::string> numbers;
        for (const RecordedRequest& request : m_server.Requests())
            numbers.push_back(request.Header("QX-RetryNumber").value_or("?"));
        return numbers;
    }

    CTestHttpServer m_gateway;
    ScopedEnv m_gatewayUrl{"LUMENO_SMS_GATEWAY", m_gateway.Url("/sms/in")};
};

TEST_F(RegistrationTest, SmsGoesToTheGatewayAndThePushWithTheKeysEndsTheWait)
{
    UseManualClock();
    QueueSmsWanted("10000");
    m_user.Answer(IDOK);
    std::future<RETURNED_RES> registration =
        std::async(std::launch::async, [&] { return m_service->RetrieveSmsFlow(Window()); });

    PassWaitRounds(2);
    Push("IdentifyDevice UK:u7;K:k7;DID:3569380356438091;UID:77;");
    CIR_INFO info;
    EXPECT_EQ(HandlePush(info), 1);
    EXPECT_EQ(info.command, CIR_RETRIEVE_SETTINGS) << "a completed identification is reported as a refresh";

    ASSERT_EQ(registration.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(registration.get(), RES_OK);
    EXPECT_EQ(m_server.Requests().size(), 1u);
    EXPECT_EQ(LastRequest().Header("QX-Command"), "InitDevice");
    EXPECT_EQ(LastRequest().Header("QX-RetryNumber"), "0");
    EXPECT_EQ(StoredNumber(u"Retry-Number"), 1u);
    EXPECT_EQ(StoredText(u"Ukey"), u"u7");
    EXPECT_EQ(StoredText(u"QX-key"), u"k7");
    EXPECT_EQ(StoredText(u"UserId"), u"77");

    ASSERT_EQ(m_gateway.Requests().size(), 1u);
    const std::string form = m_gateway.Requests()[0].body;
    EXPECT_EQ(FormField(form, "to"), "+4915112345");
    EXPECT_EQ(FormField(form, "text"), "IdentifyDevice DID:3569380356438091;UA:Maker-Maker Phone/PocketPC/"
                                       "WindowsCE_5.1.1700;A:WinCEMobile/" LUMENO_TEST_PRODUCT_VERSION);
    ASSERT_EQ(m_user.ShownBoxes().size(), 1u);
    EXPECT_EQ(m_user.ShownBoxes()[0].text, BrandingText(kTextConfirmRegistrationSms));
    EXPECT_EQ(m_user.ShownBoxes()[0].caption, BrandingText(kTextQuestionCaption));
    EXPECT_EQ(m_user.ShownBoxes()[0].type, MB_OKCANCEL);
    // 20 rounds for 10 s: the counter advances by 100 / 20 + 1.
    const std::vector<std::int32_t> counters = ProgressValues(kTextWaitingForServer);
    ASSERT_GE(counters.size(), 3u);
    EXPECT_EQ(std::vector<std::int32_t>(counters.begin(), counters.begin() + 3),
              (std::vector<std::int32_t>{0, 6, 12}));
}

TEST_F(RegistrationTest, CancelledSmsStartsAgainTellingTheServerToGiveUp)
{
    QueueSmsWanted();
    QueueSmsNotWanted();
    m_user.Answer(IDCANCEL);
    EXPECT_EQ(m_service->RetrieveSmsFlow(Window()), RES_SETTINGS_REQUIRED);
    EXPECT_EQ(RetryNumbers(), (std::vector<std::string>{"0", "100"}));
    EXPECT_TRUE(m_gateway.Requests().empty());
    EXPECT_EQ(StoredNumber(u"Retry-Number"), 100u);
}

TEST_F(RegistrationTest, ServerThatWantsNoSmsEndsTheRegistration)
{
    for (const char* value : {"false", "FALSE", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(value ? value : "no header");
        Settings()->Retry_Number = 3;
        if (value)
            m_server.Queue200({{"QX-SendRegistrationSMS", value}});
        else
            m_server.Queue200({});
        EXPECT_EQ(m_service->RetrieveSmsFlow(Window()), RES_SETTINGS_REQUIRED);
        EXPECT_EQ(LastRequest().Header("QX-RetryNumber"), "3");
        EXPECT_EQ(StoredNumber(u"Retry-Number"), 100u);
    }
    EXPECT_TRUE(m_user.ShownBoxes().empty());
    EXPECT_TRUE(m_gateway.Requests().empty());
}

TEST_F(RegistrationTest, NinetySecondTimeOutWaitsOneHundredEightyRoundsThenRegistersAgain)
{
    QueueSmsWanted("90000");
    QueueSmsNotWanted();
    m_user.Answer(IDOK);
    EXPECT_EQ(m_service->RetrieveSmsFlow(Window()), RES_SETTINGS_REQUIRED);
    const std::vector<std::int32_t> counters = ProgressValues(kTextWaitingForServer);
    ASSERT_EQ(counters.size(), 180u);
    EXPECT_EQ(counters.back(), 179); // 100 / 180 + 1 = 1 per round
    EXPECT_EQ(m_clock.ElapsedMs(), 90000u);
    EXPECT_EQ(RetryNumbers(), (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(m_gateway.Requests().size(), 1u);
}

TEST_F(RegistrationTest, TimeOutsBelowOneSecondOrNotANumberAreHandled)
{
    struct Case {
        const char* timeout;
        std::size_t rounds; // of the wait before the second "InitDevice"
    };
    // Under a second is waited as one second, so that the rounds do not follow each other at once.
    for (const Case c : {Case{"999", 2}, Case{"12a", 80}, Case{"-5000", 80}}) {
        SCOPED_TRACE(c.timeout);
        const std::size_t before = ProgressValues(kTextWaitingForServer).size();
        m_gateway.Queue200({});
        QueueSmsWanted(c.timeout);
        QueueSmsNotWanted();
        m_user.Answer(IDOK);
        EXPECT_EQ(m_service->RetrieveSmsFlow(Window()), RES_SETTINGS_REQUIRED);
        EXPECT_EQ(ProgressValues(kTextWaitingForServer).size() - before, c.rounds);
    }
}

TEST_F(RegistrationTest, StopEndsRoundsThatFollowEachOtherQuickly)
{
    for (int round = 0; round < 5; ++round) {
        m_gateway.Queue200({});
        QueueSmsWanted("999");
        m_user.Answer(IDOK);
    }
    m_clock.ScheduleAt(2500, [] { UI_Sync::GetInstanceUISync()->SetStop(true); });
    EXPECT_EQ(m_service->RetrieveSmsFlow(Window()), RES_OK);
    UI_Sync::GetInstanceUISync()->SetStop(false);
    EXPECT_EQ(RetryNumbers(), (std::vector<std::string>{"0", "1", "2"})) << "a round a second";
}

TEST_F(RegistrationTest, SimWithoutServiceCentreTellsTheUserAndSendsNoSms)
{
    ScopedEnv noServiceCentre("LUMENO_SMSC", "");
    QueueSmsNotWanted();
    EXPECT_EQ(m_service->RetrieveSmsFlow(Window()), RES_SETTINGS_REQUIRED);
    EXPECT_EQ(LastRequest().Header("QX-RetryNumber"), "100");
    ASSERT_EQ(m_user.ShownBoxes().size(), 1u);
    EXPECT_EQ(m_user.ShownBoxes()[0].text, BrandingText(kTextNoServiceCentre));
    EXPECT_EQ(m_user.ShownBoxes()[0].caption, BrandingText(kTextQuestionCaption));
    EXPECT_TRUE(m_gateway.Requests().empty());
}

TEST_F(RegistrationTest, AnswerWithoutANumberToSendToIsAnError)
{
    m_server.Queue200({{"QX-SendRegistrationSMS", "true"}});
    EXPECT_EQ(m_service->RetrieveSmsFlow(Window()), RES_ERROR);
    EXPECT_TRUE(m_gateway.Requests().empty());
}

TEST_F(RegistrationTest, GatewayThatRefusesTheMessageIsAnError)
{
    CTestHttpServer refusing;
    ScriptedReply refused;
    refused.status = 503;
    refusing.Queue(refused);
    ScopedEnv gateway("LUMENO_SMS_GATEWAY", refusing.Url("/sms/in"));
    QueueSmsWanted();
    m_user.Answer(IDOK);
    EXPECT_EQ(m_service->RetrieveSmsFlow(Window()), RES_ERROR);
    EXPECT_EQ(refusing.Requests().size(), 1u);
}

TEST_F(RegistrationTest, StartedByAPushItOnlyWaitsForTheKeys)
{
    m_service->SetWaitCIR();
    QueueSmsNotWanted();
    EXPECT_EQ(m_service->RetrieveSmsFlow(Window()), RES_SETTINGS_REQUIRED);
    EXPECT_EQ(m_service->IsWaitCIR(), 0);
    EXPECT_EQ(ProgressValues(kTextWaitingForServer).size(), 80u) << "the usual 40 s";
    EXPECT_EQ(m_server.Requests().size(), 1u) << "only the round after the wait asks the server";
}

} // namespace
