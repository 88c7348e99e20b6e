// The program as a whole: its command line, restarts on the same data, TLS, and garbage on the wire.

#include "ServerFixture.h"

#include "RawConnection.h"
#include "testing/TestTlsServer.h"
#include "refserver/AdminCommands.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(ServerProgramTest, HelpDocumentsEveryOptionAndOperatorCommand)
{
    std::string help;
    ASSERT_EQ(RunProgram("--help", help), 0);
    for (const char* option : {"--data",
                               "--listen",
                               "--port",
                               "--admin-listen",
                               "--admin-port",
                               "--path",
                               "--sms-path",
                               "--cert",
                               "--key",
                               "--public-url",
                               "--msisdn",
                               "--push-port",
                               "--push-delay-ms",
                               "--identification-timeout-ms",
                               "--sms-attempts",
                               "--session-timeout",
                               "--key-delivery",
                               "--max-body",
                               "--log-capacity",
                               "--admin URL",
                               "--raw"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    for (const AdminCommand& command : AdminCommands()) {
        const std::size_t at = help.find("  " + std::string(command.name) + ": ");
        ASSERT_NE(at, std::string::npos) << command.name;
        for (const AdminField& field : command.fields)
            EXPECT_NE(help.find("--" + std::string(field.name), at), std::string::npos)
                << command.name << " --" << field.name;
    }
}

TEST(ServerProgramTest, BadCommandLinesEndWithStatusTwo)
{
    const char* cases[] = {
        "",                                     // no --data
        "--data /tmp/x --port 70000",           // port out of range
        "--data /tmp/x --port",                 // value missing
        "--data /tmp/x --colour red",           // unknown option
        "--data /tmp/x --cert c.pem",           // certificate without key
        "--data /tmp/x --path sync",            // path without "/"
        "--data /tmp/x --path /sync/serv/",     // path with a trailing "/"
        "--data /tmp/x --admin-listen 0.0.0.0", // admin API off loopback
        "--data /tmp/x --key-delivery mail",
        "--data /tmp/x --sms-path /sync/serv", // gateway on the protocol path
    };
    for (const char* arguments : cases) {
        std::string output;
        EXPECT_EQ(RunProgram(arguments, output), 2) << arguments;
        EXPECT_NE(output.find("(see --help)"), std::string::npos) << arguments << ": " << output;
    }
}

class ServerProcessTest : public ServerTest {
protected:
    std::vector<std::string> ExtraArguments() const override { return {"--max-body", "1048576"}; }
};

TEST_F(ServerProcessTest, AccountsKeysSettingsAndSessionsSurviveARestart)
{
    CTestHandset again = Handset("DEV1");
    {
        // This handset is gone before the restart; `again` carries on after it.
        CTestHandset handset = Handset("DEV1");
        Register(handset, "DEV1", "sesame");
        ASSERT_TRUE(Admin("set-settings", {{"user-id", handset.userId}, {"set", "Sync-Period=1"}}).Ok());
        ASSERT_TRUE(handset.Negotiate("StoreSettings"));
        ASSERT_FALSE(handset
                         .Send("StoreSettings", {{"QX-Challenge", handset.ChallengeResponse()}},
                               CTestHandset::StoreSettingsBody(14))
                         .HasError());
        again.deviceKey = handset.deviceKey;
        again.userKey = handset.userKey;
        again.userId = handset.userId;
        again.password = handset.password;
        again.sessionId = handset.sessionId;
    }
    const int port = m_server.HttpPort();

    ASSERT_TRUE(m_server.Restart()) << m_server.Error();
    EXPECT_EQ(m_server.HttpPort(), port) << "the restarted server is where the handset expects it";
    EXPECT_FALSE(again.Send("SessionCompleted").HasError()) << "the open session is still known";

    EXPECT_EQ(again.StartNegotiation("2").Header("QX-RetrieveSettings"), "false");
    ASSERT_FALSE(again.CompleteNegotiation("RetrieveSettings").HasError());
    const HandsetAnswer settings = again.Send("RetrieveSettings");
    EXPECT_EQ(settings.Header("QX-ConfigVersion"), "2");
    EXPECT_NE(settings.body.find("<setting name=\"Sync-Period\" value=\"14\"/>"), std::string::npos)
        << settings.body;
    EXPECT_EQ(Device("DEV1").Get("push-address"), "127.0.0.1");
}

TEST_F(ServerProcessTest, GarbageGetsAStatusWithAReasonAndEveryAnswerALength)
{
    CTestHandset handset = Handset("DEV1");
    Register(handset, "DEV1");
    struct Case {
        const char* name;
        const char* method;
        std::string path;
        HeaderList headers;
        std::string body;
        int status;
        const char* reason;
    };
    const HeaderList device = {{"QX-DeviceID", "DEV1"}};
    const Case cases[] = {
        {"no command", "GET", "/sync/serv", device, "", 400, "QX-Command"},
        {"no device", "GET", "/sync/serv", {{"QX-Command", "StartNegotiation"}}, "", 400, "QX-DeviceID"},
        {"device id with blanks",
         "GET",
         "/sync/serv",
         {{"QX-Command", "InitDevice"}, {"QX-DeviceID", "a b"}},
         "",
         400,
         "QX-DeviceID"},
        {"session path without tick", "GET", "/sync/serv/abc", device, "", 400, "tick"},
        {"tick that is no number", "GET", "/sync/serv/12x;ABC", device, "", 400, "tick"},
        {"somewhere else", "GET", "/elsewhere", device, "", 404, "/elsewhere"},
        {"object path as a prefix", "GET", "/sync/servant", device, "", 404, "/sync/servant"},
        {"gateway by GET", "GET", "/sms-gateway", {}, "", 405, "POST"},
        {"body over the cap", "POST", "/sync/serv", device, std::string(2 * 1024 * 1024, 'x'), 413, ""},
    };
    for (const Case& c : cases) {
        const HandsetAnswer answer = handset.Raw(c.method, c.path, c.headers, c.body);
        EXPECT_EQ(answer.status, c.status) << c.name;
        EXPECT_NE(answer.body.find(c.reason), std::string::npos) << c.name << ": " << answer.body;
        EXPECT_EQ(answer.Header("Content-Length"), std::to_string(answer.body.size())) << c.name;
    }

    const HandsetAnswer unknown = handset.Send("Teleport");
    EXPECT_EQ(unknown.status, 200);
    EXPECT_EQ(unknown.ErrorCode(), "501");
    EXPECT_NE(unknown.ErrorMessage().find("Teleport"), std::string::npos);

    for (const HandsetAnswer& answer : {unknown, handset.StartNegotiation(), handset.CompleteNegotiation()})
        EXPECT_EQ(answer.Header("Content-Length"), std::to_string(answer.body.size()));
    EXPECT_TRUE(handset.Negotiate()) << "the server still answers";
}

TEST_F(ServerProcessTest, HeadsAndBodiesOutsideTheLimitsAreRefusedAtOnce)
{
    const std::string line = "GET /sync/serv HTTP/1.1";
    HeaderList manyFields;
    for (int i = 0; i < 101; ++i)
        manyFields.emplace_back("X-Field-" + std::to_string(i), "1");
    struct Case {
        const char* name;
        std::string head;
        int status;
        const char* reason;
    };
    const Case cases[] = {
        {"head over 32 KiB", RequestHead(line, HeaderList(5, {"X-Filler", std::string(8000, 'a')})), 431,
         "32768 bytes"},
        {"more than 100 fields", RequestHead(line, manyFields), 431, "100 fields"},
        {"length that is no number", RequestHead(line, {{"Content-Length", "12a"}}), 400, "\"12a\""},
        {"negative length", RequestHead(line, {{"Content-Length", "-1"}}), 400, "\"-1\""},
        {"length given twice", RequestHead(line, {{"Content-Length", "0"}, {"content-length", "0"}}), 400,
         "more than once"},
        {"body over the cap that never comes", RequestHead(line, {{"Content-Length", "1073741824"}}), 413,
         "1073741824"},
        {"chunked body", RequestHead(line, {{"Transfer-Encoding", "chunked"}}), 411, "Content-Length"},
        {"compressed body", RequestHead(line, {{"Content-Encoding", "gzip"}, {"Content-Length", "10"}}), 415,
         "content coding"},
    };
    for (const Case& c : cases) {
        CRawConnection connection(m_server.HttpPort());
        ASSERT_TRUE(connection.Send(c.head)) << c.name;
        const HandsetAnswer answer = connection.Receive(std::chrono::seconds(5));
        EXPECT_EQ(answer.status, c.status) << c.name;
        EXPECT_NE(answer.body.find(c.reason), std::string::npos) << c.name << ": " << answer.body;
        EXPECT_EQ(answer.Header("Content-Length"), std::to_string(answer.body.size())) << c.name;
        EXPECT_TRUE(connection.ClosedWithin(std::chrono::seconds(5))) << c.name;
    }
    EXPECT_TRUE(Phone().Negotiate()) << "the server still answers";
}

TEST_F(ServerProcessTest, StopEndsSlowConnectionsAtOnce)
{
    std::vector<std::unique_ptr<CRawConnection>> slow;
    for (int i = 0; i < 8; ++i) {
        slow.push_back(std::make_unique<CRawConnection>(m_server.HttpPort()));
        ASSERT_TRUE(slow.back()->Send("GET /sync/serv HTTP/1.1\r\nX-Slow: 1\r\n"));
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(m_server.Stop());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(m_server.Restart()) << m_server.Error() << ": the fixture ends with a stop of its own";
}

// Slow peers that trickle their heads, and a stream of requests the server must refuse, press on the
// server at once; a handset on its own kept-alive connection is still answered within a second.
TEST_F(ServerProcessTest, HandsetIsAnsweredWithinASecondWhileSlowAndOversizedClientsPress)
{
    ASSERT_TRUE(Phone().Negotiate());
    std::vector<std::unique_ptr<CRawConnection>> slow;
    for (int i = 0; i < 50; ++i) {
        slow.push_back(std::make_unique<CRawConnection>(m_server.HttpPort()));
        ASSERT_TRUE(slow.back()->Send("GET /sync/serv HTTP/1.1\r\n"));
    }
    std::atomic<bool> pressing = true;
    std::atomic<int> refused = 0;
    std::thread oversized([&] {
        const std::string heads[] = {
            RequestHead("GET /sync/serv HTTP/1.1", HeaderList(5, {"X-Filler", std::string(8000, 'a')})),
            RequestHead("POST /sync/serv HTTP/1.1", {{"Content-Length", "1073741824"}}),
        };
        for (int i = 0; pressing; ++i) {
            CRawConnection connection(m_server.HttpPort());
            connection.Send(heads[i % 2]);
            refused += connection.Receive().status >= 400 ? 1 : 0;
        }
    });
    std::thread trickle([&] {
        for (int line = 0; pressing; ++line) {
            for (const auto& connection : slow)
                connection->Send("X-Line-" + std::to_string(line) + ": 1\r\n");
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });

    std::chrono::steady_clock::duration slowest{};
    for (int i = 0; i < 10; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto start = std::chrono::steady_clock::now();
        const HandsetAnswer answer = Phone().StartNegotiation();
        slowest = std::max(slowest, std::chrono::steady_clock::now() - start);
        EXPECT_TRUE(answer.Header("QX-Challenge")) << "request " << i << ": status " << answer.status;
    }
    pressing = false;
    oversized.join();
    trickle.join();
    EXPECT_LT(slowest, std::chrono::seconds(1));
    EXPECT_GT(refused, 0);
}

class TlsServerTest : public ServerTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MakeSelfSignedCertificate(m_server.Folder(), "IP:127.0.0.1", m_certificate));
        ServerTest::SetUp();
    }

    std::vector<std::string> ExtraArguments() const override
    {
        return {"--cert", m_certificate.certFile.string(), "--key", m_certificate.keyFile.string()};
    }

    TestCertificate m_certificate;
};

TEST_F(TlsServerTest, ServesTheProtocolOverHttpsWithTheGivenCertificate)
{
    EXPECT_TRUE(m_server.ServerUrl().starts_with("https://127.0.0.1:"));
    httplib::Client client(m_server.BaseUrl());
    client.set_ca_cert_path(m_certificate.certFile.c_str());
    client.enable_server_certificate_verification(true);
    client.set_read_timeout(20);
    const httplib::Result result =
        client.Get("/sync/serv", httplib::Headers{{"QX-Command", "InitDevice"}, {"QX-DeviceID", "TLS1"}});
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->get_header_value("QX-SendRegistrationSMS"), "true");

    CTestHandset handset = Handset("DEV1");
    Register(handset, "DEV1");
    ASSERT_TRUE(Admin("set-settings", {{"user-id", handset.userId}, {"set", "Debug-Level=1"}}).Ok())
        << "the admin API stays plain HTTP on loopback";
}

TEST(ServerStartTest, CertificateThatCannotBeReadStopsTheStart)
{
    CRefServerProcess server;
    EXPECT_FALSE(server.Start({"--cert", "/nonexistent/cert.pem", "--key", "/nonexistent/key.pem"}));
    EXPECT_NE(server.Error().find("certificate"), std::string::npos) << server.Error();
}

} // namespace
