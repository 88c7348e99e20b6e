// Server dialogs inside the request executor: what each action kind does after the user's answer,
// and what goes back to the server.

#include "TransportFixture.h"
#include "platform/Shell.h"
#include "service/Messages.h"
#include "service/UI_Sync.h"
#include "utils/Base64.h"
#include "utils/Md5.h"

namespace {

using namespace std::chrono_literals;

const std::pair<std::string, std::string> kDialogHeader = {"QX-GenericDialog", "1"};

std::string Dialog(std::string_view yesAction, std::string_view extra = {})
{
    return "<QXSync><dialog code=\"17\"><title>T</title><message>M</message>" + std::string(extra) +
           "<yes><label>Go</label><action type=\"" + std::string(yesAction) +
           "\"><opcode>op9</opcode><url>https://example.com/help</url></action></yes>"
           "<no><label>Back</label></no></dialog></QXSync>";
}

class ServerDialogTest : public TransportTest {
protected:
    enum class Posted : std::uint8_t { No, Yes };

    // The flow's request answered by a dialog whose yes button has `yesAction`, answered yes; when
    // the answer is to be posted, the server's reply to it is a plain 200.
    RETURNED_RES AnswerYes(std::string_view yesAction, Posted posted, std::string_view extra = {},
                           DialogAnswer answer = DialogAnswer::Yes())
    {
        m_server.Queue200({kDialogHeader}, Dialog(yesAction, extra));
        if (posted == Posted::Yes)
            m_server.Queue200({});
        m_window->Script(std::move(answer));
        return Request(u"StartNegotiation");
    }

    std::vector<RecordedRequest> Posts() const
    {
        std::vector<RecordedRequest> posts;
        for (const RecordedRequest& request : m_server.Requests()) {
            if (request.method == "POST")
                posts.push_back(request);
        }
        return posts;
    }
};

TEST_F(ServerDialogTest, EachActionKindEndsTheRequestAsItShould)
{
    struct Case {
        const char* action;
        RETURNED_RES result;
        bool posts; // the answer goes back as "Action"
    };
    const Case cases[] = {
        {"IdentifyDevice", RES_REPEAT, true},     {"OperationRepeate", RES_REPEAT, true},
        {"SendInput", RES_REPEAT, true},          {"Exit", RES_STOPPED, false},
        {"exit", RES_STOPPED, false},             {"OperationContinue", RES_OK, false},
        {"BackgroundUrl", RES_OK, false},         {"Continue", RES_OK, false},
        {"NoSuchAction", RES_OK, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        const std::size_t before = m_server.Requests().size();
        EXPECT_EQ(AnswerYes(c.action, c.posts ? Posted::Yes : Posted::No), c.result);
        const auto requests = m_server.Requests();
        ASSERT_EQ(requests.size(), before + (c.posts ? 2 : 1));
        if (!c.posts)
            continue;
        const RecordedRequest& post = requests.back();
        EXPECT_EQ(post.method, "POST");
        EXPECT_EQ(post.target, "/sync/serv");
        EXPECT_EQ(post.Header("QX-Command"), "GDOperation");
        EXPECT_EQ(post.Header("QX-CommandType"), "Action");
        EXPECT_EQ(post.headerLines[post.headerLines.size() - 2], "QX-CommandType: Action");
        EXPECT_NE(post.body.find("gd-result"), std::string::npos) << post.body;
        EXPECT_NE(post.body.find("17"), std::string::npos) << post.body;
    }
    EXPECT_EQ(m_window->Shown().size(), std::size(cases));
    EXPECT_EQ(m_server.AcceptedConnections(), 1);
}

// Records what reaches it.
class CRecordingSink final : public CHttpAnswerSink {
public:
    bool Begin(const HttpResponse&, std::string&) override
    {
        ++begun;
        return true;
    }
    bool Write(std::uint64_t, std::span<const std::uint8_t> bytes, std::string&) override
    {
        body.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return true;
    }
    int begun = 0;
    std::string body;
};

TEST_F(ServerDialogTest, AStreamedAnswerAskingForADialogKeepsItsDescriptionFromTheSink)
{
    m_server.Queue200({kDialogHeader}, Dialog("Exit"));
    m_server.Queue200({}, "chunk bytes");
    m_window->Script(DialogAnswer::Yes());
    CRecordingSink sink;
    HttpTransfer transfer;
    transfer.answer = &sink;
    m_service->PrepareHTTPHeader(u"Download");
    EXPECT_EQ(m_service->ExecuteRequest(u"GET", transfer), RES_STOPPED);
    ASSERT_EQ(m_window->Shown().size(), 1u);
    EXPECT_EQ(m_window->Shown()[0].title, u"T");
    EXPECT_EQ(sink.begun, 0);

    m_service->PrepareHTTPHeader(u"GetChunk");
    EXPECT_EQ(m_service->ExecuteRequest(u"GET", transfer), RES_OK);
    EXPECT_EQ(sink.body, "chunk bytes");
    std::u16string text;
    EXPECT_FALSE(m_service->Transport()->ReadBody(text)) << "the body went to the sink";
}

TEST_F(ServerDialogTest, ChoosingNoTakesTheActionOfNo)
{
    m_server.Queue200({kDialogHeader}, Dialog("Exit"));
    m_window->Script(DialogAnswer::No());
    EXPECT_EQ(Request(u"StartNegotiation"), RES_OK); // "no" has no action
    ASSERT_EQ(m_window->Shown().size(), 1u);
    EXPECT_EQ(m_window->Shown()[0].title, u"T");
    EXPECT_EQ(m_window->Shown()[0].message, u"M");
}

TEST_F(ServerDialogTest, ActionPostAnsweredByANewDialogRunsAnotherRound)
{
    m_server.Queue200({kDialogHeader}, Dialog("IdentifyDevice"));
    m_server.Queue200({kDialogHeader}, Dialog("OperationContinue"));
    m_window->Script(DialogAnswer::Yes());
    m_window->Script(DialogAnswer::Yes());
    EXPECT_EQ(Request(u"StartNegotiation"), RES_OK);
    EXPECT_EQ(m_window->Shown().size(), 2u);
    EXPECT_EQ(Posts().size(), 1u);
}

TEST_F(ServerDialogTest, FailedAnswerPostIsAnError)
{
    ScriptedReply refused;
    refused.status = 500;
    m_server.Queue200({kDialogHeader}, Dialog("SendInput"));
    m_server.Queue(refused);
    m_window->Script(DialogAnswer::Yes());
    EXPECT_EQ(Request(u"StartNegotiation"), RES_ERROR);

    m_server.Queue200({kDialogHeader}, Dialog("Continue", "<stop-dialog><label>Stop</label></stop-dialog>"));
    m_server.Queue(refused);
    m_window->Script(DialogAnswer::Yes(std::nullopt, true));
    EXPECT_EQ(Request(u"StartNegotiation"), RES_ERROR);
}

TEST_F(ServerDialogTest, ExitUrlOpensThePageStopsAndClosesTheProgressDialog)
{
    struct CRecordingShell final : CShell {
        bool Execute(std::u16string_view, std::u16string_view) override { return true; }
        bool OpenUrl(std::u16string_view url) override
        {
            urls.emplace_back(url);
            return true;
        }
        bool OpenFile(std::u16string_view) override { return false; }
        std::vector<std::u16string> urls;
    } shell;
    CShell::Install(&shell);
    UI_Sync& bridge = *UI_Sync::GetInstanceUISync();
    bridge.SetStop(false);
    bridge.SetDialogPtr(m_window->Handle());

    EXPECT_EQ(AnswerYes("ExitUrl", Posted::No), RES_STOPPED);
    CShell::Install(nullptr);
    EXPECT_EQ(shell.urls, std::vector<std::u16string>{u"https://example.com/help"});
    EXPECT_TRUE(bridge.IsStopped());
    EXPECT_TRUE(m_window->WaitForMessage(WM_CLOSE_WAIT_DIALOG, 1, 10s));
    EXPECT_TRUE(Posts().empty());
    bridge.SetStop(false);
    bridge.SetDialogPtr(0);
}

TEST_F(ServerDialogTest, ContinueWithTheStopBoxTickedPostsTheResultAndFollowsTheReply)
{
    Settings()->UserId = u"user1";
    m_service->PrepareHTTPHeader(u"StartNegotiation");
    const std::u16string flowBlock = m_service->Transport()->HeaderBlock();
    m_server.Queue200({kDialogHeader}, Dialog("Continue", "<stop-dialog><label>Stop</label></stop-dialog>"));
    m_server.Queue200({{"QX-UserID", "7"}});
    m_window->Script(DialogAnswer::Yes(std::nullopt, true));
    EXPECT_EQ(m_service->ExecuteRequest(u"GET"), RES_OK);

    const auto posts = Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].Header("QX-CommandType"), "Result");
    EXPECT_EQ(posts[0].Header("QX-UserID"), "user1");
    EXPECT_NE(posts[0].body.find("<stop"), std::string::npos) << posts[0].body;
    EXPECT_EQ(Settings()->UserId, u"7");
    EXPECT_EQ(m_service->Transport()->HeaderBlock(), flowBlock);
}

TEST_F(ServerDialogTest, InputIdentifyDeviceTakesTheUserIdFromTheInput)
{
    EXPECT_EQ(AnswerYes("InputIdentifyDevice", Posted::No, "<input name=\"user\" type=\"text\" defaultValue=\"x\"/>",
                        DialogAnswer::Yes(u"alice")),
              RES_SETTINGS_REQUIRED);
    EXPECT_EQ(Settings()->UserId, u"alice");
    EXPECT_TRUE(Posts().empty());
}

TEST_F(ServerDialogTest, InputGoesBackAsBase64OfItsMd5AndNeverInClear)
{
    EXPECT_EQ(AnswerYes("SendInput", Posted::Yes, "<input name=\"pin\" type=\"password\" defaultValue=\"\"/>",
                        DialogAnswer::Yes(u"s\u00e9cret")),
              RES_REPEAT);
    const auto posts = Posts();
    ASSERT_EQ(posts.size(), 1u);
    const auto digest = Md5("s\xC3\xA9" "cret");
    const std::string expected = Base64Encode(std::string_view(reinterpret_cast<const char*>(digest.data()), 16));
    EXPECT_NE(posts[0].body.find("\"" + expected + "\""), std::string::npos) << posts[0].body;
    EXPECT_NE(posts[0].body.find("\"pin\""), std::string::npos) << posts[0].body;
    EXPECT_EQ(posts[0].body.find("cret"), std::string::npos) << posts[0].body;
}

TEST_F(ServerDialogTest, UnreadableDescriptionCodeOrMissingWindowEndsWithAnErrorInsteadOfWaiting)
{
    m_server.Queue200({kDialogHeader}, "<QXSync><dialog code=\"4294967296\"><yes/></dialog></QXSync>");
    EXPECT_EQ(Request(u"StartNegotiation"), RES_ERROR);
    EXPECT_TRUE(m_window->Shown().empty()) << "a code that does not fit in 32 bits is no dialog";

    ScriptedReply shorter;
    shorter.headers = {kDialogHeader};
    shorter.body = "<QXSync>";
    shorter.announcedLength = 500;
    m_server.Queue(shorter);
    EXPECT_EQ(Request(u"StartNegotiation"), RES_ERROR);
    EXPECT_TRUE(m_window->Shown().empty());

    m_service->m_appWindow = 0;
    m_server.Queue200({kDialogHeader}, Dialog("Exit"));
    EXPECT_EQ(Request(u"StartNegotiation"), RES_ERROR);
}

} // namespace
