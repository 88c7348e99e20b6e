// The transport and the request executor against a scripted local server: the header block on the
// wire, the session path and cookie, statuses, answers the executor acts on, and how bodies are read.

#include "service/BrandingTexts.h"
#include "testing/TestTlsServer.h"
#include "TransportFixture.h"
#include "testing/VirtualClock.h"
#include "service/CBrandingGuide.h"
#include "utils/Base64.h"
#include "utils/Hex.h"
#include "utils/Sha1.h"

namespace {

using namespace std::chrono_literals;

std::string HostLine(const CTestHttpServer& server)
{
    return "Host: 127.0.0.1:" + std::to_string(server.Port());
}

TEST_F(TransportTest, HeaderBlockGoesOutByteForByteInItsOrder)
{
    Settings()->Ukey = u"uk1";
    Settings()->UserId = u"user\u00e9";
    Settings()->Password = u"pw";
    m_server.Queue200({});
    EXPECT_EQ(Request(u"StartNegotiation"), RES_OK);

    const std::string userAgent = "Maker-Maker Phone/PocketPC/WindowsCE_5.1.1700";
    const std::vector<std::string> expected = {
        HostLine(m_server),
        "Content-Type: application/octet-stream",
        "QX-SmscId: +491710760000",
        "user-agent:" + userAgent,
        "qx-useragent:" + userAgent,
        "QX-Agent: WinCEMobile/" LUMENO_TEST_PRODUCT_VERSION,
        "accept-language: " + Utf16ToUtf8(CBrandingGuide::LocaleTag()),
        "QX-DeviceID: 3569380356438091",
        "QX-IMSI: 262011234567890",
        "QX-Command: StartNegotiation",
        "QX-Ukey: uk1",
        "QX-UserID: user\xC3\xA9",
        "QX-Password: pw",
    };
    EXPECT_EQ(LastRequest().headerLines, expected);
    EXPECT_EQ(LastRequest().method, "GET");
    EXPECT_EQ(LastRequest().target, "/sync/serv");
}

TEST_F(TransportTest, OptionalHeadersStayOutWhenTheirValuesAreEmpty)
{
    ScopedEnv smsc("LUMENO_SMSC", "");
    ScopedEnv subscriber("LUMENO_SUBSCRIBER", "");
    m_server.Queue200({});
    EXPECT_EQ(Request(u"IdentifyDevice"), RES_OK);
    for (const char* name : {"QX-SmscId", "QX-IMSI", "QX-Ukey", "QX-UserID", "QX-Password"})
        EXPECT_FALSE(LastRequest().Header(name).has_value()) << name;
    EXPECT_EQ(LastRequest().Header("QX-Command"), "IdentifyDevice");
}

TEST_F(TransportTest, WithoutImeiTheDeviceIdComesFromTheUniqueIdOfThisApplication)
{
    ScopedEnv imei("LUMENO_IMEI", "");
    m_server.Queue200({});
    EXPECT_EQ(Request(u"IdentifyDevice"), RES_OK);

    // The application's GUID {B4E3C1D2-7A59-4F08-9C6E-2D15A8F03B71} in memory layout, id version 1.
    CSha1 sha;
    sha.Update("0123456789abcdef0123456789abcdef");
    sha.Update(std::string_view("\xD2\xC1\xE3\xB4\x59\x7A\x08\x4F\x9C\x6E\x2D\x15\xA8\xF0\x3B\x71", 16));
    sha.Update(std::string_view("\x01\x00\x00\x00", 4));
    const auto digest = sha.Final();
    const std::string hex = HexUpper(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
    EXPECT_EQ(LastRequest().Header("QX-DeviceID"), hex.substr(0, 16));
}

TEST_F(TransportTest, UnreadableIdentitySendsOnlyTheContentTypeAndTheFlowsHeaders)
{
    ScopedEnv manufacturer("LUMENO_MANUFACTURER", "");
    EXPECT_EQ(m_service->PrepareHTTPHeader(u"StartNegotiation"), 0);
    EXPECT_EQ(m_service->Transport()->HeaderBlock(), u"Content-Type: application/octet-stream\r\n");
    m_service->Transport()->AddHeader(u"QX-ConfigVersion: ", u"3");
    m_server.Queue200({});
    EXPECT_EQ(m_service->ExecuteRequest(u"GET"), RES_OK);
    const std::vector<std::string> expected = {HostLine(m_server), "User-Agent: PocketPC",
                                               "Content-Type: application/octet-stream", "QX-ConfigVersion: 3"};
    EXPECT_EQ(LastRequest().headerLines, expected);
}

TEST_F(TransportTest, IdentityAndAgentsAreReadOnceAndReused)
{
    m_server.Queue200({});
    m_server.Queue200({});
    EXPECT_EQ(Request(u"StartNegotiation"), RES_OK);
    ScopedEnv oem("LUMENO_OEM_INFO", "Other");
    ScopedEnv imei("LUMENO_IMEI", "999999999999999999");
    EXPECT_EQ(Request(u"CompleteNegotiation"), RES_OK);
    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].Header("user-agent"), "Maker-Maker Phone/PocketPC/WindowsCE_5.1.1700");
    EXPECT_EQ(requests[1].Header("QX-DeviceID"), "3569380356438091");
}

TEST_F(TransportTest, CookieGoesAlongUntilTheServerGivesASessionIdThenThePathCarriesIt)
{
    CVirtualClock clock;
    CClock::Install(&clock);
    m_server.Queue200({{"Set-Cookie", "ID=7; path=/"}});
    m_server.Queue200({{"QX-SessionID", "abc"}});
    m_server.Queue200({});
    EXPECT_EQ(Request(u"StartNegotiation"), RES_OK);
    EXPECT_EQ(Request(u"StartNegotiation"), RES_OK);
    EXPECT_EQ(Request(u"CompleteNegotiation"), RES_OK);
    const std::string tick = std::to_string(static_cast<std::int32_t>(clock.TickCount()));
    CClock::Install(nullptr);

    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_FALSE(requests[0].Header("Cookie").has_value());
    EXPECT_EQ(requests[0].target, "/sync/serv");
    EXPECT_EQ(requests[1].Header("Cookie"), "ID=7");
    EXPECT_EQ(requests[1].target, "/sync/serv");
    EXPECT_EQ(requests[1].headerLines.back(), "Cookie: ID=7"); // after the block
    EXPECT_FALSE(requests[2].Header("Cookie").has_value());
    EXPECT_EQ(requests[2].target, "/sync/serv/" + tick + ";abc");

    // A new negotiation starts without either.
    m_service->Transport()->ClearSession();
    m_server.Queue200({});
    EXPECT_EQ(Request(u"StartNegotiation"), RES_OK);
    EXPECT_EQ(LastRequest().target, "/sync/serv");
    EXPECT_FALSE(LastRequest().Header("Cookie").has_value());
}

TEST_F(TransportTest, StatusOtherThan200IsAnErrorWhateverTheHeadersSay)
{
    struct Case {
        int status;
        bool errorCode;
    };
    for (const Case c : {Case{302, false}, Case{302, true}, Case{500, false}, Case{500, true}, Case{404, true}}) {
        SCOPED_TRACE(c.status);
        ScriptedReply reply;
        reply.status = c.status;
        if (c.errorCode)
            reply.headers = {{"QX-ErrorCode", "12"}, {"QX-ErrorMessage", Base64Encode("abc")}};
        m_server.Queue(reply);
        EXPECT_EQ(Request(u"StartNegotiation"), RES_ERROR);
    }
    EXPECT_TRUE(m_window->Shown().empty());
}

TEST_F(TransportTest, ServerErrorIsShownWithItsDecodedMessage)
{
    struct Case {
        std::string encoded;
        std::u16string shownEnd;
    };
    const Case cases[] = {
        {Base64Encode("abc"), u"abc"},
        {"R3LD tsOf ZQ==", u"Gr\u00f6\u00dfe"}, // UTF-8 text; blanks and padding skipped
        {"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.shownEnd));
        m_server.Queue200({{"QX-ErrorCode", "7"}, {"QX-ErrorMessage", c.encoded}});
        m_window->Script(DialogAnswer::Yes());
        EXPECT_EQ(Request(u"StartNegotiation"), RES_SERVER_ERROR);
    }
    const auto shown = m_window->Shown();
    ASSERT_EQ(shown.size(), std::size(cases));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(shown[i].message.ends_with(cases[i].shownEnd)) << Utf16ToUtf8(shown[i].message);
        EXPECT_EQ(shown[i].title, BrandingText(kTextServerMessageTitle));
        EXPECT_EQ(shown[i].yesLabel, BrandingText(kTextOk));
    }
    EXPECT_FALSE(m_service->m_dialogAnswered->IsSet());
}

TEST_F(TransportTest, UserIdFromTheServerReplacesTheSettingInMemory)
{
    Settings()->UserId = u"old";
    m_server.Queue200({{"QX-UserID", "42"}});
    EXPECT_EQ(Request(u"StartNegotiation"), RES_OK);
    EXPECT_EQ(Settings()->UserId, u"42");
    EXPECT_TRUE(m_window->Shown().empty());
}

TEST_F(TransportTest, QueryHeaderTakesTheFirstOccurrenceAnyCaseAndRefusesOverlongValues)
{
    m_server.Queue200({{"qx-challenge", "first"},
                       {"QX-Challenge", "second"},
                       {"QX-Long", std::string(1024, 'a')},
                       {"QX-TooLong", std::string(1025, 'a')},
                       {"QX-Empty", ""}});
    EXPECT_EQ(Request(u"StartNegotiation"), RES_OK);
    ServerTransport& transport = *m_service->Transport();
    struct Case {
        std::u16string_view name;
        bool present;
        std::size_t length;
    };
    const Case cases[] = {{u"QX-Challenge: ", true, 5}, {u"QX-CHALLENGE", true, 5}, {u"QX-Long: ", true, 1024},
                          {u"QX-TooLong: ", false, 0},  {u"QX-Empty: ", true, 0},  {u"QX-Missing: ", false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.name));
        std::u16string value = u"stale";
        EXPECT_EQ(transport.QueryHeader(c.name, value), c.present);
        EXPECT_EQ(value.size(), c.length);
    }
    std::u16string value;
    transport.QueryHeader(u"QX-Challenge: ", value);
    EXPECT_EQ(value, u"first");
}

// A head cut off by a closed connection is no answer, however much of it came: the error report after
// the cut would otherwise be lost and the request taken as done.
TEST_F(TransportTest, HeadCutOffIsAnError)
{
    ScriptedReply cut;
    cut.headers = {{"QX-SessionID", "abc"}, {"QX-ErrorCode", "12"}};
    cut.cutAfter = 40; // inside QX-ErrorCode
    m_server.Queue(cut);
    EXPECT_EQ(Request(u"StartNegotiation"), RES_ERROR);
    EXPECT_EQ(m_service->Transport()->SessionId(), u"");
    EXPECT_TRUE(m_window->Shown().empty());
}

TEST_F(TransportTest, BodyIsReadWholeOrNotAtAll)
{
    struct Case {
        const char* what;
        ScriptedReply reply;
        RETURNED_RES result;
        bool readable;
    };
    ScriptedReply whole;
    whole.body = "<a>Gr\xC3\xB6\xC3\x9F" "e</a>";
    ScriptedReply shorter;
    shorter.body = "<a>cut";
    shorter.announcedLength = 100;
    ScriptedReply huge;
    huge.body = std::string(4096, 'x');
    huge.announcedLength = 65ull * 1024 * 1024; // above the 64 MiB cap: refused before anything is read
    ScriptedReply unannounced;
    unannounced.body = "<a/>";
    unannounced.omitContentLength = true;
    // A length above the cap is refused as the head is read: no answer at all.
    const Case cases[] = {{"whole", whole, RES_OK, true},
                          {"shorter than announced", shorter, RES_OK, false},
                          {"above the cap", huge, RES_ERROR, false},
                          {"without Content-Length", unannounced, RES_OK, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_server.Queue(c.reply);
        EXPECT_EQ(Request(u"RetrieveSettings"), c.result);
        std::u16string text = u"stale";
        EXPECT_EQ(m_service->Transport()->ReadBody(text), c.readable);
        EXPECT_EQ(text, c.readable ? u"<a>Gr\u00f6\u00dfe</a>" : u"");
    }
}

TEST_F(TransportTest, OneConnectionServesAWholeSession)
{
    for (int i = 0; i < 8; ++i)
        m_server.Queue200({{"QX-SessionID", "s1"}}, "<ok/>");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Request(u"Crc"), RES_OK);
    for (int i = 0; i < 4; ++i) {
        m_service->PrepareHTTPHeader(u"Items");
        EXPECT_EQ(m_service->ExecuteRequest(u"POST", u"<QXSync/>"), RES_OK);
    }
    EXPECT_EQ(m_server.Requests().size(), 8u);
    EXPECT_EQ(m_server.AcceptedConnections(), 1);
}

TEST_F(TransportTest, EncodedHeadersCutTheirInputAtACharacterAndStayOnOneLine)
{
    ServerTransport& transport = *m_service->Transport();
    const std::u16string accented(600, u'\u00e9'); // 1200 bytes of UTF-8
    transport.ResetHeaders();
    transport.AddBase64Header(u"QX-ErrorMessage: ", accented);
    transport.AddQuotedPrintableHeader(u"QX-Name: ", u"a=b \u00e9");
    transport.AddNumberHeader(u"QX-ErrorLevel: ", -3);
    const std::string cut = Utf16ToUtf8(accented.substr(0, 512)); // 1024 bytes, whole characters
    const std::u16string expected = u"Content-Type: application/octet-stream\r\nQX-ErrorMessage: " +
                                    Latin1ToUtf16(Base64Encode(cut)) +
                                    u"\r\nQX-Name: a=3Db =C3=A9\r\nQX-ErrorLevel: -3\r\n";
    EXPECT_EQ(transport.HeaderBlock(), expected);

    m_server.Queue200({});
    EXPECT_EQ(m_service->ExecuteRequest(u"GET"), RES_OK);
    EXPECT_EQ(LastRequest().Header("QX-ErrorMessage"), Base64Encode(cut));
}

TEST_F(TransportTest, ConnectWhileOpenFailsAndABadAddressNeedsADisconnect)
{
    EXPECT_EQ(m_service->ConnectServer(), 0);
    m_service->DisconnectServer();
    Settings()->URL = u"not an address";
    EXPECT_EQ(m_service->ConnectServer(), 0);
    EXPECT_EQ(Request(u"StartNegotiation"), RES_ERROR);
    Settings()->URL = Utf8ToUtf16(m_server.Url("/sync/serv"));
    EXPECT_EQ(m_service->ConnectServer(), 0);
    m_service->DisconnectServer();
    EXPECT_EQ(m_service->ConnectServer(), 1);
    m_server.Queue200({});
    EXPECT_EQ(Request(u"StartNegotiation"), RES_OK);
}

TEST_F(TransportTest, SelfSignedServerIsRefusedUntilItsCaFileIsConfigured)
{
    TestCertificate certificate;
    ASSERT_TRUE(MakeSelfSignedCertificate(Root(), "IP:127.0.0.1", certificate));
    CTestTlsServer server(certificate);
    ASSERT_TRUE(server.IsRunning());
    m_service->DisconnectServer();
    Settings()->URL = Utf8ToUtf16(server.Url("/sync/serv"));

    ASSERT_EQ(m_service->ConnectServer(), 1);
    EXPECT_EQ(Request(u"StartNegotiation"), RES_ERROR);
    m_service->DisconnectServer();

    ScopedEnv caFile("LUMENO_CA_FILE", certificate.certFile.string());
    ASSERT_EQ(m_service->ConnectServer(), 1);
    EXPECT_EQ(Request(u"StartNegotiation"), RES_OK);
    EXPECT_EQ(server.AnsweredRequests(), 1);
    m_service->DisconnectServer(); // the server would wait for the kept-alive connection to time out
}

} // namespace
