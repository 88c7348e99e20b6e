// The operator's controls: injected answers, pushes sent now, push round trips, the request log, the
// admin API's refusals and the command-line operator mode.

#include "ServerFixture.h"

#include "RawConnection.h"
#include "protocol/Credentials.h"

#include <httplib.h>

#include <algorithm>
#include <functional>
#include <set>

namespace {

class OperatorTest : public ServerTest {};

TEST_F(OperatorTest, InjectedErrorsAndStatusesAnswerInsteadOfTheCommand)
{
    ASSERT_TRUE(Admin("inject", {{"command", "CompleteNegotiation"},
                                 {"error-code", "77"},
                                 {"error-message", "Konto gesperrt \xE2\x80\x93 bitte anrufen"},
                                 {"count", "2"}})
                    .Ok());
    for (int round = 0; round < 2; ++round) {
        Phone().StartNegotiation();
        const HandsetAnswer refused = Phone().CompleteNegotiation();
        EXPECT_EQ(refused.status, 200);
        EXPECT_EQ(refused.ErrorCode(), "77");
        EXPECT_EQ(refused.ErrorMessage(), "Konto gesperrt \xE2\x80\x93 bitte anrufen");
        EXPECT_EQ(Device("DEV1").Get("session-state"), "started") << "the command did not run";
    }
    EXPECT_TRUE(Phone().Negotiate()) << "count used up";

    ASSERT_TRUE(Admin("inject", {{"command", "*"}, {"device", "OTHER"}, {"status", "500"}}).Ok());
    ASSERT_TRUE(Admin("inject", {{"command", "StartNegotiation"}, {"status", "302"}}).Ok());
    EXPECT_EQ(Admin("list-rules").records.size(), 2u);
    EXPECT_EQ(Phone().StartNegotiation().status, 302) << "the rule for another device waits";
    const AdminReply rules = Admin("list-rules");
    ASSERT_EQ(rules.records.size(), 1u);
    EXPECT_EQ(rules.records[0].Get("device"), "OTHER");
    EXPECT_EQ(Admin("clear-rules").records.at(0).Get("cleared"), "1");
    EXPECT_TRUE(Admin("list-rules").records.empty());
}

TEST_F(OperatorTest, RewriteRulesChangeTheAnswerOfTheCommandThatRan)
{
    ASSERT_TRUE(Admin("inject", {{"command", "StartNegotiation"},
                                 {"set-header", "QX-Challenge: forged"},
                                 {"set-header", "qx-retrievesettings:"},
                                 {"set-header", "QX-ChunkSize: 4294967296"},
                                 {"body", "<QXSync><media-list><media url=\"file:///../x\"/>"}})
                    .Ok());
    EXPECT_EQ(Admin("list-rules").records.at(0).Get("kind"), "rewrite");
    const HandsetAnswer answer = Phone().StartNegotiation();
    EXPECT_EQ(answer.Header("QX-Challenge"), "forged");
    EXPECT_FALSE(answer.Header("QX-RetrieveSettings")) << "an empty value leaves the header out";
    EXPECT_EQ(answer.Header("QX-ChunkSize"), "4294967296");
    EXPECT_EQ(answer.body, "<QXSync><media-list><media url=\"file:///../x\"/>");
    EXPECT_TRUE(answer.Header("QX-SessionID")) << "the command ran";
    EXPECT_EQ(Device("DEV1").Get("session-state"), "started");
    EXPECT_TRUE(Admin("list-rules").records.empty());
}

TEST_F(OperatorTest, PushCommandsAreSignedWithTheDeviceKey)
{
    struct Case {
        AdminFields fields;
        std::string expected; // before the signature
        const char* word;
    };
    const Case cases[] = {
        {{{"command", "Sync"}, {"parameter", "abc"}, {"kinds", "Contacts;Files"}},
         "Sync abc Contacts;Files",
         "Sync"},
        {{{"command", "backup"}}, "Backup - -", "Backup"},
        {{{"command", "Restore"}, {"kinds", "Calendar;"}}, "Restore - Calendar;", "Restore"},
        {{{"command", "Wipeout"}}, "Wipeout - -", "Wipeout"},
        {{{"command", "RetrieveSettings"}, {"kinds", "Settings"}},
         "RetrieveSettings - Settings",
         "RetrieveSettings"},
        {{{"command", "ChangeMsisdn"}}, "ChangeMsisdn " + Phone().userId, "ChangeMsisdn"},
    };
    for (const Case& c : cases) {
        AdminFields fields = c.fields;
        fields.emplace_back("device", "DEV1");
        const AdminReply sent = Admin("push", fields);
        ASSERT_TRUE(sent.Ok()) << sent.error;
        const std::string text = c.expected + " " + KeyedDigest(c.word, Phone().deviceKey);
        EXPECT_EQ(sent.records.at(0).Get("text"), text);
        EXPECT_EQ(sent.records.at(0).Get("port"), std::to_string(m_pushes.Port()));
        EXPECT_EQ(m_pushes.Next(), text);
    }
    // "Key" carries the key itself as its last word.
    ASSERT_TRUE(Admin("push", {{"device", "DEV1"}, {"command", "Key"}}).Ok());
    EXPECT_EQ(m_pushes.Next(), "Key DEV1 " + Phone().userId + " " + Phone().deviceKey);
}

TEST_F(OperatorTest, ExpectCirAsksForOnePushRoundTrip)
{
    Phone();
    ASSERT_TRUE(Admin("set-device", {{"device", "DEV1"}, {"expect-cir", "true"}}).Ok());
    const HandsetAnswer first = Phone().StartNegotiation("1");
    EXPECT_EQ(first.Header("QX-ExpectCir"), "true");
    EXPECT_FALSE(first.Header("QX-Challenge")) << "the handset starts over after the push";
    EXPECT_EQ(m_pushes.Next(),
              "ChangeMsisdn " + Phone().userId + " " + KeyedDigest("ChangeMsisdn", Phone().deviceKey));
    EXPECT_EQ(Device("DEV1").Get("expect-cir"), "false");

    const HandsetAnswer second = Phone().StartNegotiation("1");
    EXPECT_FALSE(second.Header("QX-ExpectCir"));
    EXPECT_TRUE(second.Header("QX-Challenge"));
}

TEST_F(OperatorTest, RequestLogShowsMethodPathHeadersAndBodySize)
{
    Phone().Negotiate("StoreSettings");
    Phone().Send("StoreSettings", {{"QX-Challenge", Phone().ChallengeResponse()}},
                 CTestHandset::StoreSettingsBody(7));
    const AdminReply log = Admin("log");
    ASSERT_TRUE(log.Ok());
    ASSERT_EQ(log.records.size(), 3u);
    const AdminRecord& store = log.records[2];
    EXPECT_EQ(store.Get("method"), "POST");
    EXPECT_TRUE(store.GetOr("path").starts_with("/sync/serv/")) << store.GetOr("path");
    EXPECT_EQ(store.Get("body-size"), std::to_string(CTestHandset::StoreSettingsBody(7).size()));
    EXPECT_EQ(store.Get("status"), "200");
    const std::vector<std::string> headers = store.GetAll("header");
    EXPECT_NE(std::find(headers.begin(), headers.end(), "QX-Command: StoreSettings"), headers.end());
    EXPECT_NE(std::find(headers.begin(), headers.end(), "QX-DeviceID: DEV1"), headers.end());
    for (const std::string& header : headers)
        EXPECT_FALSE(header.starts_with("REMOTE_ADDR") || header.starts_with("LOCAL_PORT"))
            << "not sent by the handset";

    const AdminReply since = Admin("log", {{"since", log.records[1].GetOr("sequence")}});
    ASSERT_EQ(since.records.size(), 1u);
    EXPECT_EQ(since.records[0].Get("sequence"), log.records[2].Get("sequence"));

    // One kept-alive connection carries many requests (more than the HTTP library's default of 5).
    for (int i = 0; i < 8; ++i)
        Phone().StartNegotiation();
    const AdminReply all = Admin("log");
    std::set<std::string> ports;
    for (const AdminRecord& entry : all.records)
        ports.insert(entry.GetOr("remote-port"));
    EXPECT_EQ(ports.size(), 1u) << "requests came on " << ports.size() << " connections";
}

TEST_F(OperatorTest, RequestLogKeepsABoundedCopyOfEachRequest)
{
    HeaderList headers = {{"QX-Command", "Teleport\xFF\x1B[31m" + std::string(5000, 'c')},
                          {"QX-DeviceID", "DEV1"},
                          {"A-Long", std::string(2000, 'l')}};
    for (int i = 0; i < 60; ++i)
        headers.emplace_back("X-Filler-" + std::to_string(i), std::string(400, 'f'));
    CRawConnection connection(m_server.HttpPort());
    ASSERT_TRUE(connection.Send(RequestHead("GET /sync/serv HTTP/1.1", headers)));
    ASSERT_EQ(connection.Receive().status, 200);

    const AdminReply log = Admin("log");
    ASSERT_TRUE(log.Ok()) << log.error;
    ASSERT_FALSE(log.records.empty());
    const std::vector<std::string> kept = log.records.back().GetAll("header");
    std::size_t bytes = 0;
    for (const std::string& header : kept) {
        EXPECT_LE(header.size(), 512u + 2 + 512u) << header.substr(0, 40);
        bytes += header.size();
    }
    EXPECT_LE(bytes, 4096u + 1024u);
    ASSERT_FALSE(kept.empty());
    EXPECT_TRUE(kept.back().starts_with("...: ")) << kept.back();
    EXPECT_NE(std::find(kept.begin(), kept.end(), "A-Long: " + std::string(512, 'l')), kept.end());

    // The server's own log line names the command escaped and cut short.
    const std::string serverLog = m_server.Log();
    EXPECT_NE(serverLog.find("Teleport\\xFF\\x1B[31m" + std::string(50, 'c') + "..."), std::string::npos)
        << serverLog;
    EXPECT_EQ(serverLog.find(std::string(100, 'c')), std::string::npos);
}

TEST_F(OperatorTest, AdminApiTakesFieldsAsAFormOrAMultipartFormOnly)
{
    httplib::Client client(m_server.AdminUrl());
    struct Case {
        const char* name;
        std::function<httplib::Result()> send;
        int status;
    };
    const Case cases[] = {
        {"multipart form, its fields read",
         [&] {
             return client.Post("/admin/show-account",
                                httplib::MultipartFormDataItems{{"user-id", "mallory", "", ""}});
         },
         404},
        {"plain text", [&] { return client.Post("/admin/add-account", "user-id=mallory", "text/plain"); },
         415},
        {"form", [&] { return client.Post("/admin/list-accounts", "", "application/x-www-form-urlencoded"); },
         200},
        {"query", [&] { return client.Get("/admin/log?since=0"); }, 200},
    };
    for (const Case& c : cases) {
        const httplib::Result result = c.send();
        ASSERT_TRUE(result) << c.name;
        EXPECT_EQ(result->status, c.status) << c.name << ": " << result->body;
    }
    EXPECT_EQ(Admin("show-account", {{"user-id", "mallory"}}).status, 404) << "nothing was created";
}

TEST_F(OperatorTest, AdminApiRefusesBadRequestsWithAReason)
{
    struct Case {
        const char* command;
        AdminFields fields;
        int status;
        const char* reason;
    };
    const Case cases[] = {
        {"no-such-command", {}, 404, "not an admin command"},
        {"add-account", {{"colour", "red"}}, 400, "colour"},
        {"add-account", {{"user-id", "a b"}}, 400, "user-id"},
        {"add-account", {{"user-id", "x"}, {"user-id", "y"}}, 400, "more than once"},
        {"add-account", {{"device-key", "K"}}, 400, "need a device"},
        {"add-account", {{"device", "DEV1"}}, 409, "already belongs"},
        {"add-account", {{"user-id", Phone().userId}}, 409, "taken"},
        {"show-account", {}, 400, "required"},
        {"show-account", {{"user-id", "nobody"}}, 404, "nobody"},
        {"set-settings", {{"user-id", Phone().userId}}, 400, "nothing to change"},
        {"set-settings", {{"user-id", Phone().userId}, {"set", "NoEquals"}}, 400, "NAME=VALUE"},
        {"set-settings", {{"user-id", Phone().userId}, {"set", "Bad Name=1"}}, 400, "Bad Name"},
        {"set-settings", {{"user-id", "nobody"}, {"set", "A=1"}}, 404, "nobody"},
        {"set-device", {{"device", "DEV1"}, {"push-port", "70000"}}, 400, "push-port"},
        {"set-device", {{"device", "DEV1"}, {"expect-cir", "yes"}}, 400, "expect-cir"},
        {"set-device", {{"device", "DEV1"}, {"key-delivery", "mail"}}, 400, "key-delivery"},
        {"set-device", {{"device", "GHOST"}}, 404, "GHOST"},
        {"push", {{"device", "DEV1"}, {"command", "Dance"}}, 400, "Dance"},
        {"push", {{"device", "DEV1"}, {"command", "Sync"}, {"kinds", "Photos"}}, 400, "Photos"},
        {"push", {{"device", "DEV1"}, {"command", "Sync"}, {"parameter", "two words"}}, 400, "parameter"},
        {"queue-dialog", {{"command", "StartNegotiation"}, {"yes-action", "Jump"}}, 400, "Jump"},
        {"queue-dialog", {{"command", "StartNegotiation"}, {"message", "\xFF"}}, 400, "UTF-8"},
        {"queue-dialog", {{"command", "StartNegotiation"}, {"count", "0"}}, 400, "count"},
        {"inject", {{"command", "StartNegotiation"}}, 400, "one of"},
        {"inject", {{"command", "*"}, {"drop", "later"}}, 400, "later"},
        {"inject", {{"command", "*"}, {"drop", "before"}, {"status", "500"}}, 400, "one of"},
        {"list-items", {{"user-id", Phone().userId}, {"kind", "photo"}}, 400, "photo"},
        {"show-item", {{"user-id", Phone().userId}, {"guid", "c99"}}, 404, "c99"},
        {"add-items", {{"user-id", "nobody"}, {"file", "BEGIN:VCARD\r\nEND:VCARD\r\n"}}, 404, "nobody"},
        {"add-items", {{"user-id", Phone().userId}, {"file", "hello"}}, 400, "outside"},
        {"add-items", {{"user-id", Phone().userId}, {"file", "BEGIN:VCARD\r\nN:x\r\n"}}, 400, "ends inside"},
        {"add-items",
         {{"user-id", Phone().userId}, {"file", "BEGIN:VCARD\r\nN:\x01\r\nEND:VCARD"}},
         400,
         "control"},
        {"change-item",
         {{"user-id", Phone().userId}, {"guid", "c99"}, {"file", "BEGIN:VEVENT\r\nEND:VEVENT\r\n"}},
         400,
         "kind"},
        {"delete-item", {{"user-id", Phone().userId}, {"guid", "c99"}}, 404, "c99"},
        {"add-message", {{"user-id", Phone().userId}, {"folder", "drafts"}}, 400, "drafts"},
        {"add-message",
         {{"user-id", Phone().userId}, {"folder", "inbox"}, {"time", "yesterday"}},
         400,
         "time"},
        {"add-message", {{"user-id", "nobody"}, {"folder", "inbox"}}, 404, "nobody"},
        {"delete-message", {{"user-id", Phone().userId}, {"id", "7"}}, 404, "no message 7"},
        {"add-file",
         {{"user-id", Phone().userId}, {"name", "a/b.jpg"}, {"file", "x"}},
         400,
         "plain file name"},
        {"add-file",
         {{"user-id", Phone().userId},
          {"name", "b.jpg"},
          {"file", "x"},
          {"thumbnail", std::string(70000, 't')}},
         400,
         "64 KiB"},
        {"delete-file", {{"user-id", Phone().userId}, {"id", "5"}}, 404, "no file 5"},
        {"inject", {{"command", "*"}, {"status", "500"}, {"body", "x"}}, 400, "one of"},
        {"inject", {{"command", "*"}, {"set-header", "QX-A B: 1"}}, 400, "NAME: VALUE"},
        {"inject", {{"command", "*"}, {"set-header", "QX-A: 1\r\nX: y"}}, 400, "NAME: VALUE"},
        {"inject", {{"command", "*"}, {"set-header", "content-length: 5"}}, 400, "frames"},
        {"inject", {{"command", "StartNegotiation"}, {"status", "99"}}, 400, "status"},
        {"inject", {{"command", "StartNegotiation"}, {"status", "150"}}, 400, "status"},
        {"inject", {{"command", "StartNegotiation"}, {"error-code", "1\r\nX: y"}}, 400, "error-code"},
        {"log", {{"since", "-1"}}, 400, "since"},
    };
    for (const Case& c : cases) {
        const AdminReply reply = Admin(c.command, c.fields);
        EXPECT_EQ(reply.status, c.status) << c.command << " " << reply.error;
        EXPECT_NE(reply.error.find(c.reason), std::string::npos) << c.command << ": " << reply.error;
    }
    EXPECT_TRUE(Admin("list-rules").records.empty()) << "nothing refused was queued";
}

TEST_F(OperatorTest, OperatorModeTalksToTheAdminApi)
{
    std::string output;
    const std::string admin = "--admin " + m_server.AdminUrl();
    EXPECT_EQ(RunProgram("admin " + admin + " add-account --user-id carol --password 'two words'", output), 0)
        << output;
    EXPECT_NE(output.find("user-id: carol\n"), std::string::npos) << output;
    EXPECT_NE(output.find("password: two words\n"), std::string::npos) << output;

    EXPECT_EQ(RunProgram("admin " + admin + " --raw show-account --user-id=carol", output), 0) << output;
    EXPECT_TRUE(output.starts_with("kind=account&user-id=carol&")) << output;
    EXPECT_NE(output.find("&password=two+words&"), std::string::npos) << output;

    EXPECT_EQ(RunProgram("admin " + admin + " show-account --user-id nobody", output), 1);
    EXPECT_NE(output.find("404"), std::string::npos) << output;
    EXPECT_EQ(RunProgram("admin " + admin + " show-account --colour red", output), 2);
    EXPECT_EQ(RunProgram("admin " + admin + " dance", output), 2);
    EXPECT_EQ(RunProgram("admin list-devices", output), 2) << "no admin address";
    EXPECT_EQ(RunProgram("admin --admin http://127.0.0.1:1 list-devices", output), 3) << output;
}

} // namespace
