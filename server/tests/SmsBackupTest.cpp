// Text messages through the server as handsets back them up and restore them.

#include "ServerFixture.h"

#include "data/SmsTime.h"
#include "platform/XmlDom.h"
#include "utils/Utf.h"

namespace {

struct Message {
    std::string folder;
    std::string from;
    std::string to;
    std::string timestamp;
    std::string text;
    std::string status; // restore answers only
};

std::string MessageListBody(const std::vector<Message>& messages)
{
    CXmlDocument document;
    CXmlNode list = document.CreateDocumentElement(u"QXSync").AppendElement(u"message-list");
    for (const Message& message : messages) {
        CXmlNode element = list.AppendElement(u"message");
        element.SetAttribute(u"type", u"text").SetAttribute(u"folder", Utf8ToUtf16(message.folder));
        if (!message.from.empty())
            element.SetAttribute(u"from", Utf8ToUtf16(message.from));
        if (!message.to.empty())
            element.SetAttribute(u"to", Utf8ToUtf16(message.to));
        element.SetAttribute(u"timestamp", Utf8ToUtf16(message.timestamp));
        element.SetText(Utf8ToUtf16(message.text));
    }
    return document.SerializeUtf8();
}

std::vector<Message> ReadList(const std::string& body)
{
    std::vector<Message> messages;
    CXmlDocument document;
    EXPECT_TRUE(document.LoadUtf8(body, XmlLineEnds::Keep)) << body;
    for (const CXmlNode& list : document.DocumentElement().ChildElements()) {
        for (const CXmlNode& element : list.SelectNodes(u"message")) {
            const auto attribute = [&](std::u16string_view name) {
                return Utf16ToUtf8(element.Attribute(name).value_or(u""));
            };
            messages.push_back({attribute(u"folder"), attribute(u"from"), attribute(u"to"),
                                attribute(u"timestamp"), Utf16ToUtf8(element.Text()), attribute(u"status")});
        }
    }
    return messages;
}

bool operator==(const Message& a, const Message& b)
{
    return a.folder == b.folder && a.from == b.from && a.to == b.to && a.timestamp == b.timestamp &&
           a.text == b.text && a.status == b.status;
}

class SmsBackupTest : public ServerTest {
protected:
    HandsetAnswer Backup(const std::string& mode, const std::vector<Message>& messages)
    {
        EXPECT_TRUE(Phone().Negotiate(mode));
        return Phone().Send(mode,
                            {{"QX-CommandType", "SMS"},
                             {"QX-TotalSize", std::to_string(messages.size())},
                             {"QX-ChunkOffset", "0"},
                             {"QX-ChunkSize", std::to_string(messages.size())}},
                            MessageListBody(messages));
    }

    std::vector<Message> Restore()
    {
        EXPECT_TRUE(Phone().Negotiate("Restore"));
        const HandsetAnswer answer = Phone().Send("Restore", {{"QX-CommandType", "SMS"}});
        EXPECT_EQ(answer.status, 200);
        return ReadList(answer.body);
    }
};

TEST_F(SmsBackupTest, BackupsKeepEachMessageOnceAndHandsetsGetTheListBack)
{
    const Message hello{
        "inbox", "Anna", "", "05-03-2024 02:15:09 PM", "Hello \xF0\x9F\x91\x8B\r\nsecond line", ""};
    const Message ok{"sent", "", "+4917012345", "05-03-2024 02:16:00 PM", "ok", ""};
    const Message late{"inbox", "Bert", "Me", "31-12-2023 11:59:59 PM", "<&> \"late\"", ""};

    // One backup holding the same message twice keeps both; the next backups add only what is new.
    HandsetAnswer answer = Backup("Sync", {hello, ok, ok});
    ASSERT_EQ(answer.status, 200) << answer.body;
    EXPECT_EQ(ReadList(answer.body), (std::vector<Message>{hello, ok, ok}));
    answer = Backup("Backup", {ok, hello, ok, late});
    EXPECT_TRUE(answer.body.empty()) << "a backup alone is answered without a list";
    EXPECT_EQ(Restore(), (std::vector<Message>{hello, ok, ok, late}));

    // The operator deletes one: handsets learn it, and a handset still holding it cannot bring it back.
    const AdminReply listed = Admin("list-messages", {{"user-id", Phone().userId}});
    ASSERT_EQ(listed.records.size(), 4u);
    EXPECT_EQ(listed.records.at(0).Get("time"), "2024-03-05T14:15:09Z");
    ASSERT_TRUE(
        Admin("delete-message", {{"user-id", Phone().userId}, {"id", listed.records.at(0).GetOr("id")}})
            .Ok());
    Message deleted = hello;
    deleted.status = "deleted";
    answer = Backup("Sync", {hello, ok, ok, late});
    EXPECT_EQ(ReadList(answer.body), (std::vector<Message>{deleted, ok, ok, late}));
    EXPECT_EQ(Admin("list-messages", {{"user-id", Phone().userId}}).records.size(), 3u);

    const AdminReply added = Admin("add-message", {{"user-id", Phone().userId},
                                                   {"folder", "inbox"},
                                                   {"from", "Server"},
                                                   {"time", "2024-03-06T00:30:00Z"},
                                                   {"text", "from the operator"}});
    ASSERT_TRUE(added.Ok()) << added.error;
    EXPECT_EQ(Restore().back(),
              (Message{"inbox", "Server", "", "06-03-2024 12:30:00 AM", "from the operator", ""}));
}

TEST_F(SmsBackupTest, BadListsAreRefusedAndUnreadableTimesLeftOut)
{
    const Message good{"inbox", "A", "B", "01-01-2024 10:00:00 AM", "fine", ""};
    struct Case {
        std::string body;
        const char* reason;
    };
    const Case cases[] = {
        {"<QXSync><message-list>", "not XML"},
        {MessageListBody({{"drafts", "A", "B", "01-01-2024 10:00:00 AM", "x", ""}}), "drafts"},
        {MessageListBody({{"inbox", "A", "B", "01-01-2024 10:00:00 AM", std::string(70000, 'x'), ""}}),
         "64 KiB"},
        {"<QXSync><message-list><message folder=\"inbox\">\xC3</message></message-list></QXSync>", "UTF-8"},
    };
    ASSERT_TRUE(Phone().Negotiate("Backup"));
    for (const Case& c : cases) {
        const HandsetAnswer answer = Phone().Send("Backup", {{"QX-CommandType", "SMS"}}, c.body);
        EXPECT_EQ(answer.status, 400) << c.reason;
        EXPECT_NE(answer.body.find(c.reason), std::string::npos) << answer.body;
    }
    const HandsetAnswer taken =
        Backup("Sync", {good,
                        {"inbox", "A", "B", "", "no time", ""},
                        {"inbox", "A", "B", "32-01-2024 10:00:00 AM", "no such day", ""}});
    EXPECT_EQ(ReadList(taken.body), std::vector<Message>{good});
}

TEST(SmsTimeTest, HandsetTimesReadAsTheHandsetWritesThem)
{
    struct Case {
        const char* text;
        std::optional<const char*> operatorTime; // nothing: refused
    };
    const Case cases[] = {
        {"05-03-2024 02:15:09 PM", "2024-03-05T14:15:09Z"},
        {"05-03-2024 12:00:00 AM", "2024-03-05T00:00:00Z"},
        {"05-03-2024 12:00:00 pm", "2024-03-05T12:00:00Z"},
        {"5-3-2024 14:15:09", "2024-03-05T14:15:09Z"},
        {"29-02-2024 23:59:59", "2024-02-29T23:59:59Z"},
        {"29-02-2023 10:00:00 AM", std::nullopt},
        {"05-13-2024 10:00:00 AM", std::nullopt},
        {"05-03-2024 25:00:00", std::nullopt},
        {"05-03-2024 13:00:00 PM", std::nullopt},
        {"05-03-2024 00:30:00 AM", std::nullopt},
        {"05-03-1600 10:00:00 AM", std::nullopt},
        {"05-03-2024 10:00:00 XM", std::nullopt},
        {"05-03-2024", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<std::int64_t> seconds = ParseHandsetTime(c.text);
        ASSERT_EQ(seconds.has_value(), c.operatorTime.has_value()) << c.text;
        if (!seconds)
            continue;
        EXPECT_EQ(FormatOperatorTime(*seconds), *c.operatorTime) << c.text;
        EXPECT_EQ(ParseOperatorTime(*c.operatorTime), seconds) << c.text;
        EXPECT_EQ(ParseHandsetTime(FormatHandsetTime(*seconds)), seconds) << c.text;
    }
    EXPECT_EQ(FormatHandsetTime(0), "01-01-1970 12:00:00 AM");
    EXPECT_EQ(FormatHandsetTime(-1), "31-12-1969 11:59:59 PM");
}

} // namespace
