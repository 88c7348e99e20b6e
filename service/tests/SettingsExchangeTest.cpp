// The settings exchange: the server's answer written into the settings key with its value typing,
// and the 21 values the client sends back.

#include "FlowFixture.h"
#include "platform/DevicePaths.h"
#include "platform/XmlDom.h"

namespace {

class SettingsExchangeTest : public FlowTest {
protected:
    RETURNED_RES Retrieve(const std::string& answer,
                          std::vector<std::pair<std::string, std::string>> headers = {})
    {
        m_server.Queue200(std::move(headers), answer);
        return m_service->SettingsRetrieve();
    }
};

TEST_F(SettingsExchangeTest, ValuesAreTypedAsTheyGoIntoTheRegistry)
{
    EXPECT_EQ(Retrieve("<QXSync><setting-list>"
                       "<setting name=\"Sync-Period\" value=\"14\"/>"
                       "<setting name=\"Sync-Sms\" value=\"TRUE\"/>"
                       "<setting name=\"Sync-Contacts\" value=\"False\"/>"
                       "<setting name=\"Max-File-Size\" value=\"12a\"/>"
                       "<setting name=\"Enable-Sort\" value=\"\"/>"
                       "<setting name=\"Copy-Retries\" value=\"99999999999\"/>"
                       "<setting name=\"Extensions-Image\" value=\"jpg;png\"/>"
                       "<setting name=\"Brand-New-Value\" value=\"7\"/>"
                       "<setting name=\"Sync-Memory\"/>"
                       "</setting-list></QXSync>"),
              RES_OK);
    EXPECT_EQ(LastRequest().Header("QX-Command"), "RetrieveSettings");
    EXPECT_EQ(StoredNumber(u"Sync-Period"), 14u);
    EXPECT_EQ(StoredNumber(u"Sync-Sms"), 1u);
    EXPECT_EQ(StoredNumber(u"Sync-Contacts"), 0u);
    EXPECT_EQ(StoredText(u"Max-File-Size"), u"12a");
    EXPECT_EQ(StoredNumber(u"Enable-Sort"), 0u);
    EXPECT_EQ(StoredText(u"Copy-Retries"), u"99999999999") << "too large for a number: kept as it came";
    EXPECT_EQ(StoredText(u"Extensions-Image"), u"jpg;png");
    EXPECT_EQ(StoredNumber(u"Brand-New-Value"), 7u) << "unknown names are stored all the same";

    // The record follows the registry; a value of the wrong type leaves its field as it was.
    EXPECT_EQ(Settings()->Sync_Period, 14);
    EXPECT_EQ(Settings()->Sync_Sms, 1);
    EXPECT_EQ(Settings()->Sync_Contacts, 0);
    EXPECT_EQ(Settings()->Max_File_Size, 512000);
    EXPECT_EQ(Settings()->Sync_Memory, 1);
    EXPECT_EQ(Settings()->Extensions_Image, u"jpg;png");
}

TEST_F(SettingsExchangeTest, ConfigElementsComeBeforeSettingElementsAndAListWithNeitherEndsTheAnswer)
{
    EXPECT_EQ(
        Retrieve("<QXSync>"
                 "<a><setting name=\"Sync-Audio\" value=\"1\"/><config name=\"Sync-Video\" value=\"1\"/></a>"
                 "<b><setting name=\"Sync-Other\" value=\"1\"/></b>"
                 "<c><other name=\"Sync-Card\" value=\"0\"/></c>"
                 "<d><setting name=\"Sync-Images\" value=\"0\"/></d>"
                 "</QXSync>"),
        RES_OK);
    EXPECT_EQ(StoredNumber(u"Sync-Video"), 1u);
    EXPECT_FALSE(Stored(u"Sync-Audio")) << "a list with config elements is read for those only";
    EXPECT_EQ(StoredNumber(u"Sync-Other"), 1u);
    EXPECT_FALSE(Stored(u"Sync-Images")) << "reading stopped at the list with neither";

    EXPECT_EQ(Retrieve("<QXSync><list><item name=\"Sync-Period\" value=\"3\"/></list>"
                       "<setting-list><setting name=\"Sync-Period\" value=\"3\"/></setting-list></QXSync>"),
              RES_OK);
    EXPECT_EQ(Settings()->Sync_Period, 7);
}

TEST_F(SettingsExchangeTest, UnreadableAnswerIsKeptForInspectionAndChangesNothing)
{
    const std::string answer = "<QXSync><setting-list><setting name=\"Sync-Period\" value=\"3\"></QXSync>";
    EXPECT_EQ(Retrieve(answer), RES_ERROR);
    EXPECT_EQ(ReadFile(CDevicePaths::ToHost(u"\\res.xml")), answer);
    EXPECT_FALSE(Stored(u"Sync-Period"));
    EXPECT_EQ(Settings()->Sync_Period, 7);
}

TEST_F(SettingsExchangeTest, ConfigurationVersionOfTheAnswerIsKept)
{
    EXPECT_EQ(Retrieve("<QXSync/>", {{"QX-ConfigVersion", "v12"}}), RES_OK);
    EXPECT_EQ(Settings()->Config_Version, u"v12");
    EXPECT_EQ(StoredText(u"Config-Version"), u"v12");
}

TEST_F(SettingsExchangeTest, RetrievalFlowMarksTheSettingsRetrievedOnlyWhenEveryStepSucceeded)
{
    const std::string answer =
        "<QXSync><setting-list><setting name=\"Sync-Period\" value=\"2\"/></setting-list></QXSync>";
    ScriptedReply refused;
    refused.status = 500;
    m_server.Queue200({{"QX-RetrieveSettings", "true"}});
    m_server.Queue200({});
    m_server.Queue200({}, answer);
    m_server.Queue(refused);
    EXPECT_EQ(m_service->SettingsRetrieveFlow(Window()), RES_ERROR);
    EXPECT_EQ(Settings()->SettingsRettrived, 0);

    m_server.Queue200({});
    m_server.Queue200({});
    m_server.Queue200({}, answer);
    m_server.Queue200({});
    EXPECT_EQ(m_service->SettingsRetrieveFlow(Window()), RES_OK);
    EXPECT_EQ(Settings()->SettingsRettrived, 1);
    EXPECT_EQ(StoredNumber(u"SettingsRettrived"), 1u);
    EXPECT_EQ(Settings()->Sync_Period, 2);
}

TEST_F(SettingsExchangeTest, StoreDocumentSendsTheTwentyOneValuesInOrder)
{
    Settings()->Sync_Period = 9;
    Settings()->Sync_Sms = 5;
    Settings()->Sync_Card = 0;
    Settings()->Image_Download_Dir = u"/home/u/Pictures/";
    m_server.Queue200({{"QX-Challenge", "abc"}});
    GiveKeys();
    ASSERT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    m_server.Queue200({});
    EXPECT_EQ(m_service->SettingsStoreFlow(), RES_OK);

    const RecordedRequest& request = LastRequest();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.Header("QX-Command"), "StoreSettings");
    EXPECT_EQ(request.Header("QX-Challenge"), "NR2RrmguwhF2J683W6ysYg==");
    CXmlDocument document;
    ASSERT_TRUE(document.LoadUtf8(request.body)) << request.body;
    const CXmlNode list = document.DocumentElement().FirstChildElement(u"setting-list");
    std::vector<std::pair<std::u16string, std::u16string>> sent;
    for (const CXmlNode& setting : list.SelectNodes(u"setting"))
        sent.emplace_back(setting.Attribute(u"name").value_or(u"?"),
                          setting.Attribute(u"value").value_or(u"?"));
    const std::vector<std::pair<std::u16string, std::u16string>> expected = {
        {u"Sync-Period", u"9"},
        {u"Sync-Contacts", u"true"},
        {u"Sync-Contacts-Auto", u"false"},
        {u"Sync-Events", u"true"},
        {u"Sync-Sms", u"true"},
        {u"Sync-Images", u"true"},
        {u"Sync-Video", u"false"},
        {u"Sync-Audio", u"false"},
        {u"Sync-Other", u"false"},
        {u"Sync-Direction-Contacts", u"true"},
        {u"Sync-Direction-Events", u"true"},
        {u"Image-Download-Dir", u"/home/u/Pictures/"},
        {u"Video-Download-Dir", Settings()->Video_Download_Dir},
        {u"Audio-Download-Dir", Settings()->Audio_Download_Dir},
        {u"Other-Download-Dir", Settings()->Other_Download_Dir},
        {u"Sync-Direction-Images", u"true"},
        {u"Sync-Direction-Video", u"true"},
        {u"Sync-Direction-Audio", u"true"},
        {u"Sync-Direction-Other", u"true"},
        {u"Sync-Memory", u"true"},
        {u"Sync-Card", u"false"},
    };
    EXPECT_EQ(sent, expected);
    EXPECT_TRUE(Settings()->Video_Download_Dir.ends_with(u"/"));
    EXPECT_EQ(Settings()->Video_Download_Dir.find(u'\\'), std::u16string::npos);
}

} // namespace
