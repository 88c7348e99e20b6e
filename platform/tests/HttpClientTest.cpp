#include "platform/HttpClient.h"

#include "platform/HttpFileTransfer.h"
#include "platform/HttpResponseHead.h"

#include "testing/TempDir.h"
#include "testing/TestHttpServer.h"
#include "testing/TestTlsServer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct SplitCase {
    const char* url;
    bool ok;
    const char* scheme;
    const char* host;
    int port;
    const char* path;
};

TEST(SplitHttpUrl, AcceptsServerAddressesAndRefusesTheRest)
{
    const SplitCase cases[] = {
        {"http://example.com", true, "http", "example.com", 80, "/"},
        {"HTTPS://Example.com/sync/serv", true, "https", "Example.com", 443, "/sync/serv"},
        {"http://10.0.0.1:8080/a/b?x=1", true, "http", "10.0.0.1", 8080, "/a/b?x=1"},
        {"http://host?x=1", true, "http", "host", 80, "/?x=1"},
        {"https://[::1]:8443/p", true, "https", "[::1]", 8443, "/p"},
        {"https://[::1]", true, "https", "[::1]", 443, "/"},
        {"ftp://example.com/", false, "", "", 0, ""},
        {"example.com/path", false, "", "", 0, ""},
        {"http://", false, "", "", 0, ""},
        {"http://:80/", false, "", "", 0, ""},
        {"http://host:/", false, "", "", 0, ""},
        {"http://host:0/", false, "", "", 0, ""},
        {"http://host:65536/", false, "", "", 0, ""},
        {"http://host:8x/", false, "", "", 0, ""},
        {"http://user:pw@host/", false, "", "", 0, ""},
        {"http://host/a b", false, "", "", 0, ""},
        {"http://host/a#frag", false, "", "", 0, ""},
        {"http://host/a\r\nX: y", false, "", "", 0, ""},
        {"http://[::1/", false, "", "", 0, ""},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.url);
        HttpUrl parts;
        ASSERT_EQ(SplitHttpUrl(c.url, parts), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(parts.scheme, c.scheme);
        EXPECT_EQ(parts.host, c.host);
        EXPECT_EQ(parts.port, c.port);
        EXPECT_EQ(parts.path, c.path);
    }
}

class HttpClientTest : public ::testing::Test {
protected:
    std::unique_ptr<CHttpClient> Connect(const std::string& url, HttpOptions options = {})
    {
        HttpUrl parts;
        EXPECT_TRUE(SplitHttpUrl(url, parts));
        auto client = CHttpClient::Create();
        std::string error;
        EXPECT_TRUE(client->Open(parts, options, error)) << error;
        return client;
    }

    CTestHttpServer m_server;
    TempDir m_folder;
};

TEST_F(HttpClientTest, SendsHeaderLinesExactlyAsGivenAndInOrder)
{
    m_server.Queue200({}, "ok");
    auto client = Connect(m_server.Url());
    const std::vector<std::string> lines = {"Content-Type: application/octet-stream", "user-agent:Maker-X/Y/Z",
                                            "QX-Empty: ", "qx-useragent:Maker-X/Y/Z", "QX-Command: Crc"};
    const HttpResponse response = client->Execute("POST", "/sync/serv", lines, "body bytes");
    ASSERT_EQ(response.status, 200) << response.error;

    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/sync/serv");
    EXPECT_EQ(requests[0].body, "body bytes");
    // The client adds only the host and the body's length; an empty value goes out without its blank.
    const std::vector<std::string> expected = {"Host: 127.0.0.1:" + std::to_string(m_server.Port()),
                                               "Content-Type: application/octet-stream",
                                               "user-agent:Maker-X/Y/Z",
                                               "QX-Empty:",
                                               "qx-useragent:Maker-X/Y/Z",
                                               "QX-Command: Crc",
                                               "Content-Length: 10"};
    EXPECT_EQ(requests[0].headerLines, expected);
}

TEST_F(HttpClientTest, GetWithoutContentTypeGetsNoHeadersOfCurlsOwn)
{
    m_server.Queue200({});
    HttpOptions options;
    options.userAgent = "PocketPC";
    auto client = Connect(m_server.Url(), options);
    ASSERT_EQ(client->Execute("GET", "/x", {"QX-A: 1"}, {}).status, 200);
    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    const std::vector<std::string> expected = {"Host: 127.0.0.1:" + std::to_string(m_server.Port()),
                                               "User-Agent: PocketPC", "QX-A: 1"};
    EXPECT_EQ(requests[0].headerLines, expected);
}

TEST_F(HttpClientTest, RefusesHeaderLinesWithLineBreaksAndUnsafePaths)
{
    auto client = Connect(m_server.Url());
    HttpResponse response = client->Execute("GET", "/x", {"QX-A: 1\r\nQX-Injected: 2"}, {});
    EXPECT_EQ(response.status, 0);
    EXPECT_NE(response.error.find("line break"), std::string::npos) << response.error;
    response = client->Execute("GET", "/x/1;a b", {}, {});
    EXPECT_EQ(response.status, 0);
    EXPECT_NE(response.error.find("/x/1;a b"), std::string::npos) << response.error;
    EXPECT_EQ(m_server.Requests().size(), 0u);
}

TEST_F(HttpClientTest, CollectsResponseHeadersInArrivalOrder)
{
    m_server.Queue200({{"Set-Cookie", "ID=7; path=/"}, {"QX-SessionID", "abc"}, {"qx-a", "first"}, {"QX-A", "second"}},
                      "hello");
    auto client = Connect(m_server.Url());
    const HttpResponse response = client->Execute("GET", "/", {}, {});
    ASSERT_EQ(response.status, 200);
    EXPECT_TRUE(response.bodyComplete);
    EXPECT_EQ(response.body, "hello");
    ASSERT_TRUE(response.contentLength.has_value());
    EXPECT_EQ(*response.contentLength, 5u);
    ASSERT_GE(response.headers.size(), 4u);
    EXPECT_EQ(response.headers[0], (std::pair<std::string, std::string>{"Set-Cookie", "ID=7; path=/"}));
    EXPECT_EQ(response.headers[1], (std::pair<std::string, std::string>{"QX-SessionID", "abc"}));
    EXPECT_EQ(response.headers[2], (std::pair<std::string, std::string>{"qx-a", "first"}));
    EXPECT_EQ(response.headers[3], (std::pair<std::string, std::string>{"QX-A", "second"}));
}

// Folded lines, interim answers and odd status lines, as servers and the boxes between them send them.
TEST(HttpResponseHead, ReadsFoldedLinesAndInterimAnswersAsHttpDoes)
{
    struct Case {
        std::vector<std::string> lines;
        long status;
        bool ended;
        HttpFields fields;
    };
    const Case cases[] = {
        {{"HTTP/1.1 200 OK\r\n", "QX-A: one\r\n", "\ttwo \r\n", "\r\n"}, 200, true, {{"QX-A", "one two"}}},
        // A value that starts on the folded line: no blank in front of it.
        {{"HTTP/1.1 200 OK\r\n", "QX-ErrorMessage:\r\n", " YWJj\r\n", "\r\n"}, 200, true, {{"QX-ErrorMessage", "YWJj"}}},
        {{"HTTP/1.1 100 Continue\r\n", "QX-A: 1\r\n", "\r\n", "HTTP/1.1 201 Created\r\n", "QX-B: 2\r\n", "\r\n"},
         201, true, {{"QX-B", "2"}}},
        {{"HTTP/1.1 100 Continue\r\n", "\r\n"}, 100, false, {}},
        {{"HTTP/1.1 200 OK\r\n", "QX-A: 1\r\n"}, 200, false, {{"QX-A", "1"}}},
        {{" leading fold\r\n", "HTTP/1.1 OK\r\n", "no colon\r\n", "\r\n"}, 0, false, {}},
        {{"HTTP/1.1 -12 Odd\r\n", "\r\n"}, 0, false, {}},
        {{"HTTP/1.1 20 Short\r\n", "\r\n"}, 0, false, {}},
    };
    for (const Case& c : cases) {
        CHttpResponseHead head;
        for (const std::string& line : c.lines)
            head.Take(line);
        EXPECT_EQ(head.Status(), c.status) << c.lines.front();
        EXPECT_EQ(head.Ended(), c.ended) << c.lines.front();
        EXPECT_EQ(head.Fields(), c.fields) << c.lines[1];
    }
}

TEST_F(HttpClientTest, BodyShorterThanAnnouncedKeepsStatusAndHeaders)
{
    ScriptedReply reply;
    reply.headers = {{"QX-A", "1"}};
    reply.body = "half";
    reply.announcedLength = 100;
    m_server.Queue(reply);
    auto client = Connect(m_server.Url());
    const HttpResponse response = client->Execute("GET", "/", {}, {});
    EXPECT_EQ(response.status, 200);
    EXPECT_FALSE(response.bodyComplete);
    EXPECT_FALSE(response.error.empty());
    ASSERT_FALSE(response.headers.empty());
    EXPECT_EQ(response.headers[0].first, "QX-A");
}

// A connection closed inside the head leaves no answer: the headers after the cut (an error report, a
// session id, a key) must not go missing unnoticed.
TEST_F(HttpClientTest, HeadCutOffIsNoAnswer)
{
    for (const std::size_t cut : {std::size_t{10}, std::size_t{40}, std::size_t{60}}) {
        ScriptedReply reply;
        reply.headers = {{"QX-SessionID", "abc"}, {"QX-ErrorCode", "12"}};
        reply.body = "body";
        reply.cutAfter = cut; // in the status line, inside QX-ErrorCode, inside Content-Length
        m_server.Queue(reply);
        auto client = Connect(m_server.Url());
        const HttpResponse response = client->Execute("GET", "/", {}, {});
        EXPECT_EQ(response.status, 0) << cut;
        EXPECT_TRUE(response.headers.empty()) << cut;
        EXPECT_FALSE(response.error.empty()) << cut;
    }
}

// The length is refused as it is read, before the rest of the head: the answer is none at all.
TEST_F(HttpClientTest, AnnouncedLengthAboveTheCapIsRefusedBeforeTheBody)
{
    ScriptedReply reply;
    reply.headers = {{"QX-A", "1"}};
    reply.body = std::string(1000, 'x');
    reply.announcedLength = 1ull << 40; // a terabyte: nothing of that size may be allocated
    m_server.Queue(reply);
    auto client = Connect(m_server.Url());
    const HttpResponse response = client->Execute("GET", "/", {}, {});
    EXPECT_EQ(response.status, 0);
    EXPECT_FALSE(response.bodyComplete);
    EXPECT_TRUE(response.body.empty());
    EXPECT_NE(response.error.find("cap"), std::string::npos) << response.error;
}

TEST_F(HttpClientTest, BodyWithoutLengthIsCutAtTheCap)
{
    ScriptedReply reply;
    reply.body = std::string(5000, 'x');
    reply.omitContentLength = true;
    m_server.Queue(reply);
    HttpOptions options;
    options.maxBodyBytes = 1000;
    auto client = Connect(m_server.Url(), options);
    const HttpResponse response = client->Execute("GET", "/", {}, {});
    EXPECT_EQ(response.status, 200);
    EXPECT_FALSE(response.bodyComplete);
    EXPECT_LE(response.body.size(), 1000u);
    EXPECT_FALSE(response.contentLength.has_value());
    EXPECT_NE(response.error.find("cap"), std::string::npos) << response.error;
}

// Bytes that differ from one position to the next, so a piece out of place shows.
std::string Pattern(std::size_t size, char seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i * 7 + i / 251);
    return bytes;
}

class OpenFile {
public:
    OpenFile(const std::filesystem::path& path, int flags) : m_fd(::open(path.c_str(), flags | O_CLOEXEC, 0600)) {}
    ~OpenFile() { ::close(m_fd); }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

std::optional<std::uint64_t> PlaceFromHeader(const HttpResponse& head)
{
    for (const auto& [name, value] : head.headers) {
        if (name == "X-Place")
            return std::stoull(value);
    }
    return std::nullopt;
}

TEST_F(HttpClientTest, StreamsBodiesPastTheCapFromAFileIntoAFile)
{
    HttpOptions options;
    options.maxBodyBytes = 1 << 20;
    const std::string upload = Pattern(3 << 20, 'u');
    const std::string download = Pattern((3 << 20) + 17, 'd');
    std::ofstream(m_folder.Path() / "up", std::ios::binary) << upload;
    ScriptedReply reply;
    reply.headers = {{"X-Place", "5"}};
    reply.body = download;
    m_server.Queue(reply);
    auto client = Connect(m_server.Url(), options);

    const OpenFile in(m_folder.Path() / "up", O_RDONLY);
    const OpenFile out(m_folder.Path() / "down", O_RDWR | O_CREAT);
    CFileBodySource source(in.Get(), 1000, upload.size() - 1000);
    CFileAnswerSink sink(out.Get(), PlaceFromHeader);
    HttpProgress last;
    HttpTransfer transfer{&source, &sink, [&](const HttpProgress& progress) { last = progress; }, {}};
    const HttpResponse response = client->Transfer("PUT", "/f", {}, transfer);

    ASSERT_EQ(response.status, 200) << response.error;
    EXPECT_TRUE(response.bodyComplete);
    EXPECT_TRUE(response.body.empty()) << "the body went to the sink";
    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "PUT");
    EXPECT_EQ(requests[0].Header("Content-Length"), std::to_string(upload.size() - 1000));
    EXPECT_TRUE(requests[0].body == upload.substr(1000)) << "the range of the file, whole and in order";
    EXPECT_EQ(sink.Written(), download.size());
    std::ifstream written(m_folder.Path() / "down", std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(file == std::string(5, '\0') + download) << "written from the place the head named";
    EXPECT_EQ(last.sent, upload.size() - 1000);
    EXPECT_EQ(last.toSend, upload.size() - 1000);
    EXPECT_EQ(last.received, download.size());

    // The same answer kept in memory is refused for its size.
    m_server.Queue(reply);
    const HttpResponse kept = client->Execute("GET", "/f", {}, {});
    EXPECT_FALSE(kept.bodyComplete);
    EXPECT_NE(kept.error.find("cap"), std::string::npos) << kept.error;
}

TEST_F(HttpClientTest, BrokenSourcesRefusingSinksAndStopsEndTheTransfer)
{
    struct Case {
        const char* name;
        std::uint64_t sourceLength; // of a 1000-byte file; more than that: the file ends early
        const char* placeHeader;    // X-Place of the answer; null: none
        std::uint64_t sinkLimit;
        bool stopOnFirstBytes;
        long status;
        const char* error;
    };
    const Case cases[] = {
        {"file shorter than the body", 5000, "0", 1u << 30, false, 0, "request body could not be read"},
        {"answer names no place", 10, nullptr, 1u << 30, false, 200, "names no place"},
        {"answer longer than the limit", 10, "0", 4096, false, 200, "more than 4096 bytes"},
        {"stop requested", 10, "0", 1u << 30, true, 200, "stopped"},
    };
    std::ofstream(m_folder.Path() / "small", std::ios::binary) << Pattern(1000, 's');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTestHttpServer server; // a request cut off leaves its answer queued: each case has its own
        ScriptedReply reply;
        if (c.placeHeader)
            reply.headers = {{"X-Place", c.placeHeader}};
        reply.body = Pattern(2 << 20, 'a');
        server.Queue(reply);
        auto client = Connect(server.Url());
        const OpenFile in(m_folder.Path() / "small", O_RDONLY);
        const OpenFile out(m_folder.Path() / "out", O_RDWR | O_CREAT | O_TRUNC);
        CFileBodySource source(in.Get(), 0, c.sourceLength);
        CFileAnswerSink sink(out.Get(), PlaceFromHeader, c.sinkLimit);
        HttpTransfer transfer{&source, &sink, {}, [&] { return c.stopOnFirstBytes && sink.Written() > 0; }};

        const HttpResponse response = client->Transfer("POST", "/", {}, transfer);
        EXPECT_EQ(response.status, c.status);
        EXPECT_FALSE(response.bodyComplete);
        EXPECT_EQ(response.stopped, c.stopOnFirstBytes);
        EXPECT_NE(response.error.find(c.error), std::string::npos) << response.error;
        EXPECT_LT(sink.Written(), reply.body.size());
    }
}

TEST_F(HttpClientTest, KeepsOneConnectionForAllRequestsAndReconnectsAfterAClose)
{
    auto client = Connect(m_server.Url());
    for (int i = 0; i < 6; ++i)
        m_server.Queue200({}, "r" + std::to_string(i));
    for (int i = 0; i < 6; ++i) {
        const HttpResponse response = client->Execute(i % 2 ? "POST" : "GET", "/", {}, i % 2 ? "b" : "");
        ASSERT_EQ(response.status, 200) << response.error;
        EXPECT_EQ(response.body, "r" + std::to_string(i));
    }
    EXPECT_EQ(m_server.AcceptedConnections(), 1);

    ScriptedReply closing;
    closing.close = true;
    m_server.Queue(closing);
    m_server.Queue200({}, "after");
    EXPECT_EQ(client->Execute("GET", "/", {}, {}).status, 200);
    EXPECT_EQ(client->Execute("GET", "/", {}, {}).body, "after");
    EXPECT_EQ(m_server.AcceptedConnections(), 2);
}

TEST_F(HttpClientTest, UnreachableServerGivesStatusZeroAndAReason)
{
    std::string url;
    {
        CTestHttpServer gone;
        url = gone.Url();
    }
    auto client = Connect(url);
    const HttpResponse response = client->Execute("GET", "/", {}, {});
    EXPECT_EQ(response.status, 0);
    EXPECT_FALSE(response.error.empty());
    EXPECT_TRUE(response.headers.empty());
}

TEST_F(HttpClientTest, ClosedOrDoubleOpenedClientRefuses)
{
    auto client = Connect(m_server.Url());
    HttpUrl parts;
    ASSERT_TRUE(SplitHttpUrl(m_server.Url(), parts));
    std::string error;
    EXPECT_FALSE(client->Open(parts, {}, error));
    EXPECT_FALSE(error.empty());
    client->Close();
    EXPECT_EQ(client->Execute("GET", "/", {}, {}).status, 0);
}

TEST(HttpClientFactory, InstalledFactoryReplacesCurlUntilRemoved)
{
    struct CFakeClient final : CHttpClient {
        bool Open(const HttpUrl&, const HttpOptions&, std::string&) override { return true; }
        HttpResponse Transfer(std::string_view, std::string_view, const std::vector<std::string>&,
                              HttpTransfer&) override
        {
            HttpResponse response;
            response.status = 299;
            return response;
        }
        void Close() override {}
    };
    CHttpClient::InstallFactory([] { return std::make_unique<CFakeClient>(); });
    EXPECT_EQ(CHttpClient::Create()->Execute("GET", "/", {}, {}).status, 299);
    CHttpClient::InstallFactory({});
    EXPECT_EQ(CHttpClient::Create()->Execute("GET", "/", {}, {}).status, 0); // curl, not opened
}

class HttpsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MakeSelfSignedCertificate(m_folder.Path(), "IP:127.0.0.1", m_certificate))
            << "the openssl tool is needed to make the test certificate";
    }

    static HttpResponse Get(const std::string& url, const std::string& caFile)
    {
        HttpUrl parts;
        EXPECT_TRUE(SplitHttpUrl(url, parts));
        HttpOptions options;
        options.caFile = caFile;
        auto client = CHttpClient::Create();
        std::string error;
        EXPECT_TRUE(client->Open(parts, options, error)) << error;
        return client->Execute("GET", "/", {}, {});
    }

    TempDir m_folder;
    TestCertificate m_certificate;
};

TEST_F(HttpsTest, SelfSignedServerIsRefusedUntilItsCaFileIsConfigured)
{
    CTestTlsServer server(m_certificate);
    ASSERT_TRUE(server.IsRunning());

    HttpResponse response = Get(server.Url(), "");
    EXPECT_EQ(response.status, 0);
    EXPECT_FALSE(response.error.empty());
    EXPECT_EQ(server.AnsweredRequests(), 0);

    response = Get(server.Url(), m_certificate.certFile.string());
    EXPECT_EQ(response.status, 200) << response.error;
    EXPECT_EQ(response.body, "secure");
}

TEST_F(HttpsTest, CertificateForAnotherHostIsRefusedEvenWhenTrusted)
{
    TempDir other;
    TestCertificate elsewhere;
    ASSERT_TRUE(MakeSelfSignedCertificate(other.Path(), "DNS:elsewhere.invalid", elsewhere));
    CTestTlsServer server(elsewhere);
    ASSERT_TRUE(server.IsRunning());
    const HttpResponse response = Get(server.Url(), elsewhere.certFile.string());
    EXPECT_EQ(response.status, 0);
    EXPECT_EQ(server.AnsweredRequests(), 0);
}

} // namespace
