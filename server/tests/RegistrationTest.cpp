// A handset without keys: InitDevice, the registration SMS through the gateway with its push, and
// IdentifyDevice.

#include "ServerFixture.h"

#include "protocol/Credentials.h"

#include <httplib.h>

#include <map>
#include <sstream>

namespace {

class RegistrationTest : public ServerTest {
protected:
    // Posts one message to the SMS gateway as the handset's SMS stand-in does.
    int SendSms(const std::string& to, const std::string& text)
    {
        httplib::Client client(m_server.BaseUrl());
        client.set_read_timeout(20);
        const httplib::Result result =
            client.Post("/sms-gateway", httplib::Params{{"to", to}, {"text", text}});
        return result ? result->status : 0;
    }

    // The fields of an "IdentifyDevice" push: UK, K, DID, UID, and the signature word after them.
    static std::map<std::string, std::string> IdentifyFields(const std::string& text)
    {
        std::map<std::string, std::string> fields;
        std::istringstream words(text);
        std::string command, markers, signature;
        words >> command >> markers >> signature;
        fields["command"] = command;
        fields["signature"] = signature;
        std::istringstream pieces(markers);
        for (std::string piece; std::getline(pieces, piece, ';');) {
            const std::size_t colon = piece.find(':');
            fields[piece.substr(0, colon)] = piece.substr(colon + 1);
        }
        return fields;
    }
};

TEST_F(RegistrationTest, InitDeviceAsksForTheSmsUntilTheAttemptsRunOut)
{
    CTestHandset handset = Handset("NEWDEV");
    const HandsetAnswer first = handset.Send("InitDevice", {{"QX-RetryNumber", "0"}});
    ASSERT_EQ(first.status, 200);
    EXPECT_FALSE(first.HasError());
    EXPECT_EQ(first.Header("QX-SendRegistrationSMS"), "true");
    EXPECT_EQ(first.Header("QX-MSISDN"), "+15550101212");
    EXPECT_EQ(first.Header("QX-IdentificationCirTimeout"), "60000");

    const AdminRecord seen = Device("NEWDEV");
    EXPECT_EQ(seen.Get("registered"), "false");
    EXPECT_EQ(seen.Get("last-address"), "127.0.0.1");
    EXPECT_EQ(seen.Get("user-agent"), "TestMaker-Phone/OEM/PocketPC/WindowsCE_5.1.1700");
    EXPECT_EQ(seen.Get("agent"), "WinCEMobile/1.0.0");

    // The handset sends 100 when it cannot send an SMS at all.
    for (const char* retry : {"5", "100"})
        EXPECT_EQ(handset.Send("InitDevice", {{"QX-RetryNumber", retry}}).Header("QX-SendRegistrationSMS"),
                  "false")
            << retry;
    EXPECT_EQ(Device("NEWDEV").Get("retry-number"), "100");
    EXPECT_EQ(handset.Send("InitDevice", {{"QX-RetryNumber", "x1"}}).status, 400);
}

TEST_F(RegistrationTest, RegistrationSmsMakesAnAccountAndPushesSignedKeys)
{
    CTestHandset handset = Handset("NEWDEV");
    ASSERT_EQ(handset.Send("InitDevice", {{"QX-RetryNumber", "0"}}).status, 200);
    ASSERT_EQ(SendSms("+15550101212",
                      "IdentifyDevice DID:NEWDEV;UA:Maker-X;1/PocketPC/WindowsCE_5.1.1;A:WinCEMobile/1.0.0"),
              200);

    const std::optional<std::string> push = m_pushes.Next();
    ASSERT_TRUE(push) << "no IdentifyDevice push arrived";
    const std::map<std::string, std::string> fields = IdentifyFields(*push);
    const AdminRecord device = Device("NEWDEV");
    EXPECT_EQ(fields.at("command"), "IdentifyDevice");
    EXPECT_EQ(fields.at("K"), device.GetOr("device-key"));
    EXPECT_EQ(fields.at("DID"), "NEWDEV");
    EXPECT_EQ(fields.at("UID"), device.GetOr("user-id"));
    EXPECT_EQ(fields.at("signature"), KeyedDigest("IdentifyDevice", device.GetOr("device-key")));
    EXPECT_EQ(device.Get("registered"), "true");
    EXPECT_EQ(device.Get("user-agent"), "Maker-X;1/PocketPC/WindowsCE_5.1.1")
        << "the user agent may hold \";\"";
    const AdminReply account = Admin("show-account", {{"user-id", fields.at("UID")}});
    ASSERT_TRUE(account.Ok()) << account.error;
    EXPECT_EQ(account.records.at(0).Get("ukey"), fields.at("UK"));

    // With the pushed keys the handset negotiates.
    handset.deviceKey = fields.at("K");
    handset.userKey = fields.at("UK");
    handset.userId = fields.at("UID");
    EXPECT_TRUE(handset.Negotiate());

    // A second registration of the same handset (it lost its keys) brings the same keys again.
    ASSERT_EQ(SendSms("+15550101212", "IdentifyDevice DID:NEWDEV;UA:u;A:a"), 200);
    const std::optional<std::string> again = m_pushes.Next();
    ASSERT_TRUE(again);
    EXPECT_EQ(IdentifyFields(*again), fields);
    EXPECT_EQ(Admin("list-accounts").records.size(), 1u);
}

TEST_F(RegistrationTest, GatewayRefusesOtherNumbersAndOtherTexts)
{
    struct Case {
        const char* to;
        std::string text;
        int status;
    };
    const Case cases[] = {
        {"+4912345", "IdentifyDevice DID:D1;UA:u;A:a", 404},
        {"+15550101212", "Hello there", 400},
        {"+15550101212", "IdentifyDevice UA:u;A:a;DID:D1", 400},
        {"+15550101212", "IdentifyDevice DID:D1", 400},
        {"+15550101212", "IdentifyDevice DID:D 1;UA:u;A:a", 400},
        {"+15550101212", "IdentifyDevice DID:;UA:u;A:a", 400},
        {"+15550101212", "IdentifyDevice DID:D1;UA:" + std::string(2000, 'u') + ";A:a", 400},
        {"+15550101212", "", 400},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SendSms(c.to, c.text), c.status) << c.to << " " << c.text.substr(0, 40);
    EXPECT_TRUE(Admin("list-accounts").records.empty());
    EXPECT_TRUE(m_pushes.Quiet(100));
}

TEST_F(RegistrationTest, IdentifyDeviceHandsOverTheKeysByHeaderOrByPush)
{
    CTestHandset handset = Handset("DEV1");
    Register(handset, "DEV1");
    const std::string key = handset.deviceKey;
    handset.deviceKey.clear();
    handset.userKey.clear();
    handset.userId.clear();

    const HandsetAnswer byHeader = handset.Send("IdentifyDevice");
    EXPECT_FALSE(byHeader.HasError()) << byHeader.ErrorMessage();
    EXPECT_EQ(byHeader.Header("QX-Key"), key);
    EXPECT_EQ(byHeader.Header("QX-Ukey"), Admin("list-accounts").records.at(0).Get("ukey"));
    EXPECT_EQ(byHeader.Header("QX-UserID"), Device("DEV1").Get("user-id"));

    ASSERT_TRUE(Admin("set-device", {{"device", "DEV1"}, {"key-delivery", "push"}}).Ok());
    const HandsetAnswer byPush = handset.Send("IdentifyDevice");
    EXPECT_FALSE(byPush.Header("QX-Key")) << "the key comes by push";
    EXPECT_TRUE(byPush.Header("QX-Ukey"));
    const std::optional<std::string> push = m_pushes.Next();
    ASSERT_TRUE(push);
    EXPECT_EQ(*push, "Key DEV1 " + Device("DEV1").GetOr("user-id") + " " + key);
}

TEST_F(RegistrationTest, HandsetJoinsAnAccountWithUserIdAndPassword)
{
    ASSERT_TRUE(Admin("add-account", {{"user-id", "alice"}, {"password", "sesame"}}).Ok());
    ASSERT_TRUE(Admin("add-account", {{"user-id", "bob"}}).Ok());

    struct Case {
        const char* userId;
        const char* password;
        const char* code;
    };
    const Case refusals[] = {
        {"", "", "404"},          // nothing to go by
        {"carol", "x", "404"},    // no such account
        {"alice", "open", "403"}, // wrong password
        {"bob", "", "403"},       // an account without password is joined by SMS only
    };
    for (const Case& c : refusals) {
        CTestHandset handset = Handset("DEV9");
        handset.userId = c.userId;
        handset.password = c.password;
        EXPECT_EQ(handset.Send("IdentifyDevice").ErrorCode(), c.code) << c.userId;
    }
    EXPECT_EQ(Device("DEV9").Get("registered"), std::nullopt) << "refused handsets are not stored";

    CTestHandset handset = Handset("DEV9");
    handset.userId = "alice";
    handset.password = "sesame";
    const HandsetAnswer joined = handset.Send("IdentifyDevice");
    ASSERT_FALSE(joined.HasError()) << joined.ErrorMessage();
    handset.deviceKey = joined.Header("QX-Key").value_or("");
    handset.userKey = joined.Header("QX-Ukey").value_or("");
    EXPECT_EQ(Device("DEV9").Get("user-id"), "alice");
    EXPECT_TRUE(handset.Negotiate());
}

} // namespace
