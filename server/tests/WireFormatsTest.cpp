// The server's texts on the wire, each against its reader or a published vector: push datagrams, dialog
// descriptions and answers, request paths, and the admin API's record lines.

#include "protocol/Credentials.h"
#include "protocol/ProtocolPath.h"
#include "protocol/ServerDialog.h"
#include "push/PushMessages.h"
#include "refserver/AdminRecord.h"

#include "platform/XmlDom.h"
#include "utils/FormEncoding.h"
#include "utils/Utf.h"

#include <gtest/gtest.h>

namespace {

TEST(CredentialsTest, DigestsMatchPublishedMd5Vectors)
{
    // RFC 1321: MD5("abc") = 900150983cd24fb0d6963f7d28e17f72, MD5("") = d41d8cd98f00b204e9800998ecf8427e.
    EXPECT_EQ(KeyedDigest("a", "bc"), "kAFQmDzST7DWlj99KOF/cg==");
    EXPECT_EQ(KeyedDigest("", ""), "1B2M2Y8AsgTpgAmY7PhCfg==");
    EXPECT_EQ(InputDigest("abc"), "kAFQmDzST7DWlj99KOF/cg==");
    EXPECT_EQ(RandomHex(16).size(), 32u);
    EXPECT_NE(RandomHex(16), RandomHex(16));
}

TEST(PushMessagesTest, LayoutsSplitAsTheHandsetSplitsThem)
{
    DeviceRecord device;
    device.deviceId = "D1";
    device.userId = "100001";
    device.deviceKey = "K1";
    AccountRecord account;
    account.userId = "100001";
    account.userKey = "UK1";
    const std::string signature = KeyedDigest("Sync", "K1");
    EXPECT_EQ(CommandPush(PushCommand::Sync, "abc", "Contacts;Files", "K1"),
              "Sync abc Contacts;Files " + signature);
    EXPECT_EQ(CommandPush(PushCommand::Sync, "", "", "K1"), "Sync - - " + signature)
        << "empty words would move the signature";
    EXPECT_EQ(BuildPush(PushCommand::Key, device, account, "", ""), "Key D1 100001 K1");
    EXPECT_EQ(BuildPush(PushCommand::IdentifyDevice, device, account, "", ""),
              "IdentifyDevice UK:UK1;K:K1;DID:D1;UID:100001; " + KeyedDigest("IdentifyDevice", "K1"));
    EXPECT_EQ(BuildPush(PushCommand::ChangeMsisdn, device, account, "", ""),
              "ChangeMsisdn 100001 " + KeyedDigest("ChangeMsisdn", "K1"));

    // The longest ids and keys still fit the 1039 bytes the handset reads.
    device.deviceId = device.userId = device.deviceKey = account.userKey = account.userId =
        std::string(64, 'x');
    EXPECT_LE(BuildPush(PushCommand::IdentifyDevice, device, account, "", "").size(), 1039u);
}

TEST(PushMessagesTest, CommandWordsAndKinds)
{
    EXPECT_EQ(ParsePushCommand("wipeout"), PushCommand::Wipeout);
    EXPECT_EQ(ParsePushCommand("RETRIEVESETTINGS"), PushCommand::RetrieveSettings);
    EXPECT_FALSE(ParsePushCommand("Sync "));
    EXPECT_EQ(PushCommandWord(PushCommand::ChangeMsisdn), "ChangeMsisdn");
    for (const char* kinds : {"", "Contacts", "Contacts;Calendar;Files;Messages;Settings", "Files;"})
        EXPECT_TRUE(IsKindsWord(kinds)) << kinds;
    for (const char* kinds : {"contacts", "Contacts Files", "Photos", "Contacts;Photos"})
        EXPECT_FALSE(IsKindsWord(kinds)) << kinds;
}

TEST(DialogDocumentTest, DescriptionCarriesEveryPartTheOperatorGave)
{
    DialogLayout layout;
    layout.code = 42;
    layout.title = "T";
    layout.message = "M <&> \xC3\xA4";
    layout.yes = DialogButton{"Yes", DialogAction::ExitUrl, "op", "http://x.example/?a=1&b=2", true};
    layout.no = DialogButton{"No", DialogAction::None, "", "", false};
    layout.hasInput = true;
    layout.inputName = "pin";
    layout.inputType = "password";
    layout.inputDefault = "0000";
    layout.hasStopBox = true;
    layout.stopLabel = "Stop";
    layout.stopDefault = true;

    CXmlDocument document;
    ASSERT_TRUE(document.LoadUtf8(DialogDescription(layout)));
    EXPECT_EQ(document.DocumentElement().Name(), u"QXSync");
    const CXmlNode dialog = document.DocumentElement().ChildElements().at(0);
    EXPECT_EQ(dialog.Attribute(u"code"), u"42");
    EXPECT_EQ(dialog.FirstChildElement(u"message").Text(), u"M <&> \u00E4");
    const CXmlNode yes = dialog.FirstChildElement(u"yes");
    EXPECT_EQ(yes.FirstChildElement(u"send-result").Text(), u"true");
    EXPECT_EQ(yes.FirstChildElement(u"action").Attribute(u"type"), u"ExitUrl");
    EXPECT_EQ(yes.FirstChildElement(u"action").FirstChildElement(u"url").Text(),
              u"http://x.example/?a=1&b=2");
    EXPECT_TRUE(dialog.FirstChildElement(u"no").FirstChildElement(u"action").IsNull())
        << "no action: none written";
    EXPECT_EQ(dialog.FirstChildElement(u"input").Attribute(u"defaultValue"), u"0000");
    EXPECT_EQ(dialog.FirstChildElement(u"stop-dialog").FirstChildElement(u"default").Text(), u"true");
}

TEST(DialogDocumentTest, WhichButtonsLetTheHandsetCarryOn)
{
    struct Case {
        std::optional<DialogAction> yes;
        std::optional<DialogAction> no;
        bool carriesOn;
    };
    const Case cases[] = {
        {DialogAction::SendInput, DialogAction::Exit, false},
        {DialogAction::IdentifyDevice, DialogAction::ExitUrl, false},
        {DialogAction::OperationRepeate, DialogAction::InputIdentifyDevice, false},
        {DialogAction::SendInput, std::nullopt, true}, // a missing "no" button acts as None
        {DialogAction::Continue, DialogAction::Exit, true},
        {DialogAction::Exit, DialogAction::OperationContinue, true},
        {DialogAction::BackgroundUrl, DialogAction::Exit, true},
    };
    for (const Case& c : cases) {
        DialogLayout layout;
        if (c.yes)
            layout.yes = DialogButton{"", *c.yes, "", "", false};
        if (c.no)
            layout.no = DialogButton{"", *c.no, "", "", false};
        EXPECT_EQ(layout.MayCarryOn(), c.carriesOn)
            << DialogActionWord(c.yes.value_or(DialogAction::None)) << "/"
            << DialogActionWord(c.no.value_or(DialogAction::None));
    }
    EXPECT_EQ(ParseDialogAction("operationrepeate"), DialogAction::OperationRepeate);
    EXPECT_EQ(ParseDialogAction(""), DialogAction::None);
    EXPECT_FALSE(ParseDialogAction("Repeat"));
}

TEST(DialogDocumentTest, AnswerInputIsComparedByItsDigest)
{
    std::string error;
    const std::string longInput(300, 'z');
    const std::optional<DialogAnswer> answer =
        ReadDialogAnswer("<QXSync><gd-action opcode=\"o\"><parameter name=\"n\" value=\"" +
                             InputDigest(longInput.substr(0, 259)) +
                             "\"/></gd-action><gd-result code=\"7\"><stop/></gd-result></QXSync>",
                         error);
    ASSERT_TRUE(answer) << error;
    EXPECT_EQ(answer->code, 7);
    EXPECT_EQ(answer->opcode, "o");
    EXPECT_TRUE(answer->stopTicked);
    EXPECT_TRUE(InputMatches(*answer, longInput, "text")) << "the handset digests 259 bytes at most";
    EXPECT_FALSE(InputMatches(*answer, longInput.substr(0, 258), "text"));

    const std::optional<DialogAnswer> empty =
        ReadDialogAnswer("<QXSync><gd-result code=\"7\"/></QXSync>", error);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(InputMatches(*empty, "", "text")) << "an empty input is sent as no input";
    EXPECT_FALSE(InputMatches(*empty, "1234", "numeric"));
    for (const char* bad :
         {"", "<QXSync/>", "<QXSync><gd-result/></QXSync>", "<QXSync><gd-result code=\"7x\"/></QXSync>"})
        EXPECT_FALSE(ReadDialogAnswer(bad, error)) << bad;
}

TEST(ProtocolPathTest, ObjectPathWithOrWithoutASession)
{
    struct Case {
        const char* path;
        PathKind kind;
        const char* sessionId;
    };
    const Case cases[] = {
        {"/sync/serv", PathKind::Plain, ""},
        {"/sync/serv/123;ABC", PathKind::WithSession, "ABC"},
        {"/sync/serv/-2147483648;abc", PathKind::WithSession, "abc"}, // a wrapped tick count
        {"/sync/serv/", PathKind::Malformed, ""},
        {"/sync/serv/123;", PathKind::Malformed, ""},
        {"/sync/serv/;ABC", PathKind::Malformed, ""},
        {"/sync/serv/12345678901;ABC", PathKind::Malformed, ""},
        {"/sync/serv/1;A B", PathKind::Malformed, ""},
        {"/sync/serv/1;A/B;C", PathKind::Malformed, ""},
        {"/sync/server", PathKind::Outside, ""},
        {"/", PathKind::Outside, ""},
    };
    for (const Case& c : cases) {
        const ProtocolPath parsed = ParseProtocolPath("/sync/serv", c.path);
        EXPECT_EQ(parsed.kind, c.kind) << c.path;
        EXPECT_EQ(parsed.sessionId, c.sessionId) << c.path;
    }
    EXPECT_EQ(SessionIdFromCookie("QXSESSION=ABC"), "ABC");
    EXPECT_EQ(SessionIdFromCookie("lang=en; QXSESSION=ABC; x=1"), "ABC");
    EXPECT_EQ(SessionIdFromCookie("QXSESSIONS=ABC"), "");
}

TEST(AdminRecordTest, LinesCarryAnyTextAndRepeatedKeys)
{
    AdminRecord record;
    record.Add("header", "QX-Command: Sync")
        .Add("header", "a&b=c")
        .Add("text", "line\nbreak \xC3\xA4+%")
        .Add("empty", "");
    const std::string line = record.Encode();
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line, "header=QX-Command%3A+Sync&header=a%26b%3Dc&text=line%0Abreak+%C3%A4%2B%25&empty=");
    const std::vector<AdminRecord> decoded = DecodeRecords(line + "\r\n\n" + line + "\n");
    ASSERT_EQ(decoded.size(), 2u);
    EXPECT_EQ(decoded[0].fields, record.fields);
    EXPECT_EQ(decoded[1].GetAll("header").size(), 2u);

    EXPECT_EQ(FormDecode("100%"), "100%") << "a lone % stays";
    EXPECT_EQ(FormDecode("%zz%4"), "%zz%4");
    EXPECT_EQ(AdminRecord::Decode("a&&b=1").fields.size(), 2u);
}

} // namespace
