#include "service/ServerDialog.h"

#include "platform/XmlDom.h"
#include "utils/Base64.h"
#include "utils/Md5.h"
#include "utils/Utf.h"

#include <gtest/gtest.h>

namespace {

ServerDialogRecord Parse(std::u16string_view body)
{
    ServerDialogRecord record;
    record.Reset();
    EXPECT_EQ(ParseDialogDescription(record, body), DialogParse::Parsed) << Utf16ToUtf8(body);
    return record;
}

std::u16string Dialog(std::u16string_view inner, std::u16string_view code = u"7")
{
    return u"<QXSync><dialog code=\"" + std::u16string(code) + u"\">" + std::u16string(inner) +
           u"</dialog></QXSync>";
}

std::u16string Digest(std::string_view utf8)
{
    const auto digest = Md5(utf8);
    return Utf8ToUtf16(
        Base64Encode(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size())));
}

} // namespace

TEST(ServerDialog, ResetClearsEverythingButTheInputName)
{
    ServerDialogRecord record;
    record.code = 4;
    record.title = u"t";
    record.yesAction = ACTION_EXIT;
    record.hasInput = 1;
    record.inputName = u"pin";
    record.inputValue = u"1234";
    record.chosenButton = kButtonYes;
    record.Reset();
    EXPECT_EQ(record.code, 0);
    EXPECT_EQ(record.title, u"");
    EXPECT_EQ(record.yesAction, ACTION_NONE);
    EXPECT_EQ(record.noAction, ACTION_NONE);
    EXPECT_EQ(record.hasInput, 0);
    EXPECT_EQ(record.inputValue, u"");
    EXPECT_EQ(record.inputName, u"pin");
    EXPECT_EQ(record.chosenButton, kButtonNo);
}

TEST(ServerDialog, ActionWordsOfYesIgnoreCaseAndThoseOfNoDoNot)
{
    struct Case {
        const char16_t* word;
        std::int32_t yes;
        std::int32_t no;
    };
    const Case cases[] = {
        {u"IdentifyDevice", 0, 0},
        {u"Exit", 1, 1},
        {u"exit", 1, 9},
        {u"EXITURL", 2, 9},
        {u"ExitUrl", 2, 2},
        {u"Continue", 3, 3},
        {u"OperationContinue", 4, 4},
        {u"OperationRepeate", 5, 5},
        {u"OperationRepeat", 9, 9},
        {u"BackgroundUrl", 6, 6},
        {u"SendInput", 7, 7},
        {u"InputIdentifyDevice", 8, 8},
        {u"", 9, 9},
        {u"Exit ", 9, 9},
    };
    for (const Case& c : cases) {
        const std::u16string word(c.word);
        const ServerDialogRecord record = Parse(
            Dialog(u"<yes><action type=\"" + word + u"\"/></yes><no><action type=\"" + word + u"\"/></no>"));
        EXPECT_EQ(record.yesAction, c.yes) << Utf16ToUtf8(word);
        EXPECT_EQ(record.noAction, c.no) << Utf16ToUtf8(word);
    }
}

TEST(ServerDialog, ReadsEveryPartOfADescription)
{
    const ServerDialogRecord record = Parse(
        u"<?xml version=\"1.0\"?><QXSync><generic-dialog code=\"42\">"
        u"<title>Account</title><message>Enter the PIN\r\nplease</message>"
        u"<input name=\"pin\" type=\"password\" defaultValue=\"0000\"/>"
        u"<yes><label>OK</label><send-result>TRUE</send-result>"
        u"<action "
        u"type=\"SendInput\"><opcode>check-pin</opcode><url>https://example.invalid/a</url></action></yes>"
        u"<no><label>Cancel</label><send-result>false</send-result><action type=\"Exit\"/></no>"
        u"<stop-dialog><label>Stop syncing</label><default>true</default></stop-dialog>"
        u"<unknown><label>ignored</label></unknown>"
        u"</generic-dialog><second code=\"9\"/></QXSync>");
    EXPECT_EQ(record.code, 42);
    EXPECT_EQ(record.title, u"Account");
    EXPECT_EQ(record.message, u"Enter the PIN\nplease");
    EXPECT_EQ(record.hasInput, 1);
    EXPECT_EQ(record.inputName, u"pin");
    EXPECT_EQ(record.inputType, u"password");
    EXPECT_EQ(record.inputValue, u"0000");
    EXPECT_EQ(record.yesLabel, u"OK");
    EXPECT_EQ(record.yesSendResult, 1);
    EXPECT_EQ(record.yesAction, ACTION_SEND_INPUT);
    EXPECT_EQ(record.opcode, u"check-pin");
    EXPECT_EQ(record.url, u"https://example.invalid/a");
    EXPECT_EQ(record.noLabel, u"Cancel");
    EXPECT_EQ(record.noSendResult, 0);
    EXPECT_EQ(record.noAction, ACTION_EXIT);
    EXPECT_EQ(record.hasStopDialog, 1);
    EXPECT_EQ(record.stopLabel, u"Stop syncing");
    EXPECT_EQ(record.stopDefault, 1);
    EXPECT_EQ(record.chosenButton, kButtonNo);
}

TEST(ServerDialog, MissingPartsStayAsReset)
{
    struct Case {
        std::u16string body;
        std::int32_t code;
    };
    const Case cases[] = {
        {u"<QXSync/>", 0},
        {u"<QXSync><dialog/></QXSync>", 0},
        {Dialog(u"<yes/><no/>", u"abc"), 0},
        {Dialog(u"<yes><label/></yes>", u"-3"), -3},
    };
    for (const Case& c : cases) {
        const ServerDialogRecord record = Parse(c.body);
        EXPECT_EQ(record.code, c.code) << Utf16ToUtf8(c.body);
        EXPECT_EQ(record.yesAction, ACTION_NONE);
        EXPECT_EQ(record.noAction, ACTION_NONE);
        EXPECT_EQ(record.hasInput, 0);
        EXPECT_EQ(record.hasStopDialog, 0);
        EXPECT_EQ(record.message, u"");
    }
}

// The code is an unsigned 32-bit number, answered as the server sent it; a negative one wraps.
TEST(ServerDialog, CodeIsAnsweredAsAnUnsignedThirtyTwoBitNumber)
{
    struct Case {
        const char16_t* code;
        DialogParse parse;
        const char16_t* answered;
    };
    const Case cases[] = {
        {u"4000000000", DialogParse::Parsed, u"4000000000"},
        {u"4294967295", DialogParse::Parsed, u"4294967295"},
        {u"+12", DialogParse::Parsed, u"12"},
        {u"-1", DialogParse::Parsed, u"4294967295"},
        {u"-2147483648", DialogParse::Parsed, u"2147483648"},
        {u"abc", DialogParse::Parsed, u"0"},
        {u"4294967296", DialogParse::Malformed, nullptr},
        {u"-2147483649", DialogParse::Malformed, nullptr},
        {u"99999999999999999999999", DialogParse::Malformed, nullptr},
    };
    for (const Case& c : cases) {
        ServerDialogRecord record;
        record.Reset();
        EXPECT_EQ(ParseDialogDescription(record, Dialog(u"", c.code)), c.parse) << Utf16ToUtf8(c.code);
        if (!c.answered)
            continue;
        EXPECT_NE(BuildDialogAnswer(record).find(u"<gd-result code=\"" + std::u16string(c.answered) + u"\""),
                  std::u16string::npos)
            << Utf16ToUtf8(c.code);
    }
}

TEST(ServerDialog, TextThatIsNoDocumentIsRefusedAndLeavesTheRecordReset)
{
    for (const std::u16string_view body :
         {u"", u"Service unavailable", u"<QXSync><dialog code=\"1\">", u"<a/><b/>"}) {
        ServerDialogRecord record;
        record.Reset();
        EXPECT_EQ(ParseDialogDescription(record, body), DialogParse::NotADocument);
        EXPECT_EQ(record.code, 0);
        EXPECT_EQ(record.yesAction, ACTION_NONE);
    }
}

TEST(ServerDialog, AnswerWithoutInputHoldsOnlyTheResult)
{
    ServerDialogRecord record;
    record.code = 42;
    const std::u16string answer = BuildDialogAnswer(record);
    CXmlDocument document;
    ASSERT_TRUE(document.Load(answer));
    const auto children = document.DocumentElement().ChildElements();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].Name(), u"gd-result");
    EXPECT_EQ(children[0].Attribute(u"code"), u"42");
    EXPECT_EQ(children[0].ChildCount(), 0u);

    record.hasStopDialog = 1;
    record.hasInput = 1; // with an empty value there is nothing to send
    EXPECT_NE(BuildDialogAnswer(record).find(u"<gd-result code=\"42\"><stop/></gd-result></QXSync>"),
              std::u16string::npos);
    EXPECT_EQ(BuildDialogAnswer(record).find(u"gd-action"), std::u16string::npos);
}

TEST(ServerDialog, TheInputGoesOutOnlyAsItsDigest)
{
    struct Case {
        const char16_t* opcode;
        const char16_t* name;
        std::u16string value;
        std::string digested; // UTF-8 bytes the digest covers
    };
    const Case cases[] = {
        {u"check", u"pin", u"1234", "1234"},
        {u"", u"", u"Gr\u00fc\u00dfe",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
        {u"op", u"long", std::u16string(300, u'a'), std::string(259, 'a')},
    };
    for (const Case& c : cases) {
        ServerDialogRecord record;
        record.code = 7;
        record.hasInput = 1;
        record.opcode = c.opcode;
        record.inputName = c.name;
        record.inputValue = c.value;
        const std::u16string answer = BuildDialogAnswer(record);
        EXPECT_EQ(answer.find(c.value), std::u16string::npos) << "the input must not be sent in clear";

        CXmlDocument document;
        ASSERT_TRUE(document.Load(answer));
        const auto children = document.DocumentElement().ChildElements();
        ASSERT_EQ(children.size(), 2u);
        EXPECT_EQ(children[0].Name(), u"gd-action");
        EXPECT_EQ(children[1].Name(), u"gd-result");
        EXPECT_EQ(children[0].Attribute(u"opcode").has_value(), *c.opcode != u'\0');
        const CXmlNode parameter = children[0].FirstChildElement(u"parameter");
        EXPECT_EQ(parameter.Attribute(u"name").has_value(), *c.name != u'\0');
        const std::u16string value = parameter.Attribute(u"value").value_or(u"");
        EXPECT_EQ(value.size(), 24u);
        EXPECT_EQ(value, Digest(c.digested));
    }
}
