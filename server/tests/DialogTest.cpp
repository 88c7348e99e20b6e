// Server dialogs queued by the operator: shown before a command, answered with GDOperation, the input
// checked by its digest.

#include "ServerFixture.h"

#include "platform/XmlDom.h"
#include "protocol/Credentials.h"
#include "utils/Utf.h"

namespace {

// The dialog answer a handset posts: the input's digest (when given) and the code, with "stop" when the
// stop box was ticked.
std::string AnswerBody(int code, const std::optional<std::string>& input, bool stop = false)
{
    std::string body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><QXSync version=\"1.0\" timestamp=\"1\">";
    if (input)
        body += "<gd-action opcode=\"op7\"><parameter name=\"pin\" value=\"" + InputDigest(*input) +
                "\"/></gd-action>";
    body += "<gd-result code=\"" + std::to_string(code) + "\">" + (stop ? "<stop/>" : "") +
            "</gd-result></QXSync>";
    return body;
}

// The handset lower-cases what its user typed unless the field is a password one, then digests it.
struct InputCase {
    const char* type;
    const char* expected;
    std::optional<std::string> typed; // as the handset digests it; nothing: no input sent
};

class DialogTest : public ServerTest {
protected:
    int QueuePinDialog(const std::string& inputType = "numeric", const std::string& expected = "1234")
    {
        const AdminReply queued =
            Admin("queue-dialog", {{"command", "StartNegotiation"},
                                   {"device", "DEV1"},
                                   {"title", "PIN"},
                                   {"message", "Enter the PIN \xE2\x80\x94 four digits"},
                                   {"yes-label", "OK"},
                                   {"yes-action", "sendinput"},
                                   {"yes-opcode", "op7"},
                                   {"no-label", "Cancel"},
                                   {"no-action", "Exit"},
                                   {"input-name", "pin"},
                                   {"input-type", inputType},
                                   {"expect-input", expected}});
        EXPECT_TRUE(queued.Ok()) << queued.error;
        return queued.Ok() ? std::stoi(queued.records.at(0).GetOr("code", "0")) : 0;
    }

    // Shows the PIN dialog of `c` before StartNegotiation and answers it with the input of `c`: the reply
    // to the answer post, and the dialog's code in `code`.
    HandsetAnswer AnswerPinDialog(const InputCase& c, int& code)
    {
        code = QueuePinDialog(c.type, c.expected);
        Phone().StartNegotiation();
        return Phone().Send("GDOperation", {{"QX-CommandType", "Action"}}, AnswerBody(code, c.typed));
    }
};

TEST_F(DialogTest, QueuedDialogStandsInForTheCommandAndDescribesItself)
{
    const int code = QueuePinDialog();
    const HandsetAnswer shown = Phone().StartNegotiation();
    ASSERT_EQ(shown.status, 200);
    EXPECT_TRUE(shown.Header("QX-GenericDialog"));
    EXPECT_FALSE(shown.Header("QX-Challenge")) << "neither button carries on, so the command has not run";

    CXmlDocument document;
    ASSERT_TRUE(document.LoadUtf8(shown.body)) << shown.body;
    const std::vector<CXmlNode> top = document.DocumentElement().ChildElements();
    ASSERT_FALSE(top.empty());
    const CXmlNode& dialog = top.front();
    EXPECT_EQ(dialog.Attribute(u"code"), Utf8ToUtf16(std::to_string(code)));
    EXPECT_EQ(dialog.FirstChildElement(u"title").Text(), u"PIN");
    EXPECT_EQ(dialog.FirstChildElement(u"message").Text(), u"Enter the PIN \u2014 four digits");
    const CXmlNode input = dialog.FirstChildElement(u"input");
    EXPECT_EQ(input.Attribute(u"name"), u"pin");
    EXPECT_EQ(input.Attribute(u"type"), u"numeric");
    const CXmlNode yesAction = dialog.FirstChildElement(u"yes").FirstChildElement(u"action");
    EXPECT_EQ(yesAction.Attribute(u"type"), u"SendInput") << "written as the handset spells it";
    EXPECT_EQ(yesAction.FirstChildElement(u"opcode").Text(), u"op7");
    EXPECT_EQ(dialog.FirstChildElement(u"no").FirstChildElement(u"action").Attribute(u"type"), u"Exit");
    EXPECT_EQ(dialog.FirstChildElement(u"no").FirstChildElement(u"label").Text(), u"Cancel");

    EXPECT_TRUE(Admin("list-rules").records.empty()) << "used once";
}

TEST_F(DialogTest, RightInputLetsTheRepeatedCommandThrough)
{
    for (const InputCase& c : {InputCase{"numeric", "1234", "1234"}, InputCase{"text", "Secret", "secret"},
                               InputCase{"password", "Secret", "Secret"}}) {
        int code = 0;
        const HandsetAnswer answered = AnswerPinDialog(c, code);
        EXPECT_EQ(answered.status, 200) << c.type;
        EXPECT_FALSE(answered.HasError()) << c.type << ": " << answered.ErrorMessage();
        EXPECT_FALSE(answered.Header("QX-GenericDialog")) << c.type;
        const AdminRecord device = Device("DEV1");
        EXPECT_EQ(device.Get("dialog-code"), std::to_string(code)) << c.type;
        EXPECT_EQ(device.Get("dialog-input"), "accepted") << c.type;

        EXPECT_TRUE(Phone().Negotiate()) << c.type << ": the handset repeats its command";
    }
}

TEST_F(DialogTest, WrongOrMissingInputRefusesTheRepeatedCommand)
{
    for (const InputCase& c : {InputCase{"numeric", "1234", "4321"}, InputCase{"numeric", "1234", std::nullopt},
                               InputCase{"password", "Secret", "secret"}}) {
        int code = 0;
        const HandsetAnswer answered = AnswerPinDialog(c, code);
        EXPECT_EQ(answered.status, 200) << c.type;
        EXPECT_EQ(Device("DEV1").Get("dialog-input"), "refused") << c.type;

        const HandsetAnswer repeated = Phone().StartNegotiation();
        EXPECT_EQ(repeated.ErrorCode(), "422") << c.type;
        EXPECT_EQ(repeated.ErrorMessage(), "The value you entered was not accepted.");
        EXPECT_TRUE(Phone().Negotiate()) << "the refusal applies to one command";
    }
}

TEST_F(DialogTest, ContinueDialogCarriesTheCommandsAnswerAndReplaysItForAResult)
{
    const AdminReply queued = Admin("queue-dialog", {{"command", "StartNegotiation"},
                                                     {"message", "Maintenance tonight"},
                                                     {"yes-label", "Go on"},
                                                     {"yes-action", "Continue"},
                                                     {"stop-label", "Do not show again"}});
    ASSERT_TRUE(queued.Ok()) << queued.error;
    const int code = std::stoi(queued.records.at(0).GetOr("code"));
    const HandsetAnswer shown = Phone().StartNegotiation();
    EXPECT_TRUE(shown.Header("QX-GenericDialog"));
    ASSERT_TRUE(shown.Header("QX-Challenge")) << "a Continue button takes this as the command's answer";
    EXPECT_NE(shown.body.find("<stop-dialog>"), std::string::npos) << shown.body;

    // The user ticked the stop box: the handset posts the result and reads the reply as its answer.
    const HandsetAnswer result =
        Phone().Send("GDOperation", {{"QX-CommandType", "Result"}}, AnswerBody(code, std::nullopt, true));
    EXPECT_EQ(result.Header("QX-Challenge"), shown.Header("QX-Challenge"));
    EXPECT_EQ(result.Header("QX-SessionID"), shown.Header("QX-SessionID"));
    EXPECT_FALSE(result.Header("QX-GenericDialog"));
    EXPECT_EQ(Device("DEV1").Get("dialog-stop"), "true");
    EXPECT_EQ(Device("DEV1").Get("dialog-input"), "none");
    EXPECT_FALSE(Phone().CompleteNegotiation().HasError()) << "the session of the replayed answer is live";
}

TEST_F(DialogTest, AnswersThatFitNoDialogAreRefused)
{
    struct Case {
        const char* name;
        HeaderList headers;
        std::string body;
        int status;
        const char* code;
    };
    const Case cases[] = {
        {"no dialog on screen", {{"QX-CommandType", "Action"}}, AnswerBody(1, std::nullopt), 200, "412"},
        {"unknown command type", {{"QX-CommandType", "Maybe"}}, AnswerBody(1, std::nullopt), 400, ""},
        {"not XML", {{"QX-CommandType", "Action"}}, "<QXSync><gd-result", 400, ""},
        {"no result code",
         {{"QX-CommandType", "Action"}},
         "<QXSync><gd-result code=\"x1\"/></QXSync>",
         400,
         ""},
    };
    for (const Case& c : cases) {
        const HandsetAnswer answer = Phone().Send("GDOperation", c.headers, c.body);
        EXPECT_EQ(answer.status, c.status) << c.name;
        EXPECT_EQ(answer.ErrorCode(), c.code) << c.name;
    }

    const int code = QueuePinDialog();
    Phone().StartNegotiation();
    const HandsetAnswer wrongCode = Phone().Send("GDOperation", {{"QX-CommandType", "Action"}},
                                                 AnswerBody(code + 1, std::string("1234")));
    EXPECT_EQ(wrongCode.ErrorCode(), "412");
    EXPECT_NE(wrongCode.ErrorMessage().find(std::to_string(code)), std::string::npos)
        << wrongCode.ErrorMessage();
}

TEST_F(DialogTest, DialogQueuedOnTheAnswerCommandFollowsTheFirst)
{
    const int first = QueuePinDialog();
    const AdminReply second = Admin("queue-dialog", {{"command", "GDOperation"},
                                                     {"message", "Thank you"},
                                                     {"yes-label", "OK"},
                                                     {"yes-action", "OperationRepeate"},
                                                     {"no-action", "Exit"}});
    ASSERT_TRUE(second.Ok()) << second.error;
    Phone().StartNegotiation();
    const HandsetAnswer chained =
        Phone().Send("GDOperation", {{"QX-CommandType", "Action"}}, AnswerBody(first, std::string("1234")));
    EXPECT_TRUE(chained.Header("QX-GenericDialog")) << "the next dialog comes with the answer's reply";
    EXPECT_EQ(Device("DEV1").Get("dialog-input"), "accepted") << "the first answer was still checked";
    const int secondCode = std::stoi(second.records.at(0).GetOr("code"));
    EXPECT_FALSE(
        Phone()
            .Send("GDOperation", {{"QX-CommandType", "Action"}}, AnswerBody(secondCode, std::nullopt))
            .HasError());
    EXPECT_TRUE(Phone().Negotiate());
}

} // namespace
