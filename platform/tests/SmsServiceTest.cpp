#include "platform/SmsService.h"

#include "platform/DevicePaths.h"

#include "testing/TempDir.h"
#include "testing/TestHttpServer.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

class SmsServiceTest : public ::testing::Test {
protected:
    std::vector<std::string> LogLines()
    {
        std::ifstream file(CDevicePaths::DataFolder() / "sent-sms.log");
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);)
            lines.push_back(line);
        return lines;
    }

    TempDir m_root;
    ScopedEnv m_device{"LUMENO_DEVICE_ROOT", m_root.Path().string()};
    CTestHttpServer m_gateway;
    ScopedEnv m_gatewayUrl{"LUMENO_SMS_GATEWAY", m_gateway.Url("/sms/in")};
    ScopedEnv m_smsc{"LUMENO_SMSC", "+491710760000"};
    CSmsService& m_service = CSmsService::Get();
};

TEST_F(SmsServiceTest, ServiceCentreComesFromTheConfiguration)
{
    std::u16string number;
    EXPECT_TRUE(m_service.GetServiceCentre(number));
    EXPECT_EQ(number, u"+491710760000");
    ScopedEnv none("LUMENO_SMSC", "");
    EXPECT_FALSE(m_service.GetServiceCentre(number));
    EXPECT_TRUE(number.empty());
}

TEST_F(SmsServiceTest, SendPostsTheMessageAsFormFieldsAndRecordsIt)
{
    m_gateway.Queue200({});
    ASSERT_TRUE(m_service.Open());
    EXPECT_TRUE(m_service.Send(u"+4917012345", u"IdentifyDevice DID:1;UA:a b&c=\u00e9\nx"));
    m_service.Close();

    const auto requests = m_gateway.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/sms/in");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].body, "to=%2B4917012345&text=IdentifyDevice+DID%3A1%3BUA%3Aa+b%26c%3D%C3%A9%0Ax");

    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("\t+4917012345\tIdentifyDevice DID:1;UA:a b&c=\xC3\xA9\\nx\tdelivered"),
              std::string::npos)
        << lines[0];
}

TEST_F(SmsServiceTest, EveryFailedDeliveryIsASendFailure)
{
    ScriptedReply refused;
    refused.status = 500;
    m_gateway.Queue(refused);
    ASSERT_TRUE(m_service.Open());
    EXPECT_FALSE(m_service.Send(u"+49", u"status 500"));
    {
        ScopedEnv none("LUMENO_SMS_GATEWAY", "");
        EXPECT_FALSE(m_service.Send(u"+49", u"no gateway"));
    }
    {
        ScopedEnv bad("LUMENO_SMS_GATEWAY", "mailto:someone");
        EXPECT_FALSE(m_service.Send(u"+49", u"not http"));
    }
    m_service.Close();
    EXPECT_FALSE(m_service.Send(u"+49", u"closed"));

    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("failed: gateway answered 500"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("failed: no sms-gateway"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("failed: sms-gateway \"mailto:someone\""), std::string::npos) << lines[2];
}

TEST(SmsServiceInstall, InstalledServiceReplacesTheDefault)
{
    struct CFake final : CSmsService {
        bool GetServiceCentre(std::u16string& number) override
        {
            number = u"fake";
            return true;
        }
        bool Open() override { return true; }
        bool Send(std::u16string_view, std::u16string_view) override { return true; }
        void Close() override {}
    } fake;
    CSmsService& original = CSmsService::Get();
    CSmsService::Install(&fake);
    EXPECT_EQ(&CSmsService::Get(), &fake);
    CSmsService::Install(nullptr);
    EXPECT_EQ(&CSmsService::Get(), &original);
}

} // namespace
