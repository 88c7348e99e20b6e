// The account's configuration going to the handset (RetrieveSettings) and the user's choices coming
// back (StoreSettings).

#include "ServerFixture.h"

#include "platform/XmlDom.h"
#include "utils/Utf.h"

#include <map>

namespace {

// name -> value of the "setting" elements, and their order.
struct SettingsAnswer {
    std::map<std::string, std::string> values;
    std::vector<std::string> order;
    std::string rootName;
};

SettingsAnswer ReadSettings(const std::string& body)
{
    SettingsAnswer answer;
    CXmlDocument document;
    if (!document.LoadUtf8(body))
        return answer;
    answer.rootName = Utf16ToUtf8(document.DocumentElement().Name());
    for (const CXmlNode& list : document.DocumentElement().ChildElements()) {
        for (const CXmlNode& setting : list.SelectNodes(u"setting")) {
            const std::string name = Utf16ToUtf8(setting.Attribute(u"name").value_or(u""));
            answer.values[name] = Utf16ToUtf8(setting.Attribute(u"value").value_or(u""));
            answer.order.push_back(name);
        }
    }
    return answer;
}

std::map<std::string, std::string> AccountSettings(const AdminReply& shown)
{
    std::map<std::string, std::string> settings;
    for (const AdminRecord& record : shown.records) {
        if (record.Get("kind") == "setting")
            settings[record.GetOr("name")] = record.GetOr("value");
    }
    return settings;
}

class SettingsExchangeTest : public ServerTest {};

TEST_F(SettingsExchangeTest, NewAccountGetsAFullConfiguration)
{
    ASSERT_TRUE(Phone().Negotiate("RetrieveSettings"));
    const HandsetAnswer answer = Phone().Send("RetrieveSettings");
    ASSERT_EQ(answer.status, 200);
    EXPECT_EQ(answer.Header("QX-ConfigVersion"), "1");
    EXPECT_EQ(answer.Header("Content-Length"), std::to_string(answer.body.size()));
    EXPECT_TRUE(answer.body.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?><QXSync "))
        << answer.body.substr(0, 80);

    const SettingsAnswer settings = ReadSettings(answer.body);
    EXPECT_EQ(settings.rootName, "QXSync");
    ASSERT_FALSE(settings.order.empty()) << answer.body;
    EXPECT_EQ(settings.order.front(), "URL");
    const std::map<std::string, std::string> expected = {
        {"URL", m_server.ServerUrl()},
        {"Sync-Timeframe", "0;1;7;14;28"},
        {"Sync-Period", "7"},
        {"Calendar-Timeframe-Back", "30"},
        {"Calendar-Timeframe-Fwd", "365"},
        {"Extensions-Image", "jpg;jpeg;png;gif;bmp"},
        {"Enable-Sync", "true"},
        {"Enable-Backup", "true"},
        {"Enable-Restore", "true"},
        {"Enable-Scheduler", "true"},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(settings.values.count(name) ? settings.values.at(name) : "<missing>", value) << name;
    for (const char* name : {"Extensions-Video", "Extensions-Audio", "Extensions-Other"})
        EXPECT_FALSE(settings.values.count(name) == 0 || settings.values.at(name).empty()) << name;
}

TEST_F(SettingsExchangeTest, OperatorChangesReachTheHandsetWithANewVersion)
{
    const AdminReply changed = Admin("set-settings", {{"user-id", Phone().userId},
                                                      {"set", "Sync-Period=14"},
                                                      {"set", "URL=https://sync.example.net/sync/serv"},
                                                      {"set", "Custom-Flag=yes"},
                                                      {"remove", "Enable-Restore"}});
    ASSERT_TRUE(changed.Ok()) << changed.error;
    ASSERT_TRUE(Phone().Negotiate("RetrieveSettings"));
    const HandsetAnswer answer = Phone().Send("RetrieveSettings");
    EXPECT_EQ(answer.Header("QX-ConfigVersion"), "2");
    const SettingsAnswer settings = ReadSettings(answer.body);
    EXPECT_EQ(settings.values.at("Sync-Period"), "14");
    EXPECT_EQ(settings.values.at("URL"), "https://sync.example.net/sync/serv")
        << "the account's own URL wins";
    EXPECT_EQ(std::count(settings.order.begin(), settings.order.end(), "URL"), 1);
    EXPECT_EQ(settings.values.at("Custom-Flag"), "yes");
    EXPECT_EQ(settings.values.count("Enable-Restore"), 0u);
    EXPECT_EQ(settings.order.back(), "Custom-Flag") << "new names come last";
    EXPECT_LT(std::find(settings.order.begin(), settings.order.end(), "Sync-Period") - settings.order.begin(),
              std::find(settings.order.begin(), settings.order.end(), "Sync-Contacts") -
                  settings.order.begin())
        << "a changed value keeps its place";
}

TEST_F(SettingsExchangeTest, StoreSettingsKeepsTheHandsetsValuesWithoutANewVersion)
{
    ASSERT_TRUE(Phone().Negotiate("StoreSettings"));
    const HandsetAnswer stored =
        Phone().Send("StoreSettings", {{"QX-Challenge", Phone().ChallengeResponse()}},
                     CTestHandset::StoreSettingsBody(28));
    ASSERT_EQ(stored.status, 200) << stored.body;
    EXPECT_FALSE(stored.HasError()) << stored.ErrorMessage();

    const AdminReply shown = Admin("show-account", {{"user-id", Phone().userId}});
    ASSERT_TRUE(shown.Ok());
    EXPECT_EQ(shown.records.at(0).Get("config-version"), "1");
    const std::map<std::string, std::string> settings = AccountSettings(shown);
    EXPECT_EQ(settings.at("Sync-Period"), "28");
    EXPECT_EQ(settings.at("Sync-Contacts"), "false");
    EXPECT_EQ(settings.at("Sync-Card"), "true");
    EXPECT_EQ(settings.at("Image-Download-Dir"), "/home/user/Pictures/");
    EXPECT_EQ(settings.at("Other-Download-Dir"), "/home/user/Documents/");

    // The next retrieval hands the user's values back.
    ASSERT_TRUE(Phone().Negotiate("RetrieveSettings"));
    EXPECT_EQ(ReadSettings(Phone().Send("RetrieveSettings").body).values.at("Sync-Period"), "28");
}

TEST_F(SettingsExchangeTest, StoreSettingsRefusesWrongChallengesAndBadDocumentsWhole)
{
    ASSERT_TRUE(Phone().Negotiate("StoreSettings"));
    const std::string good = CTestHandset::StoreSettingsBody(28);
    const HandsetAnswer wrongKey =
        Phone().Send("StoreSettings", {{"QX-Challenge", "AAAAAAAAAAAAAAAAAAAAAA=="}}, good);
    EXPECT_EQ(wrongKey.ErrorCode(), "401");

    std::string unknownName = good;
    unknownName.replace(unknownName.find("Sync-Card"), 9, "Sync-Cards");
    std::string longValue = good;
    longValue.replace(longValue.find("/home/user/Music/"), 17, std::string(300, 'm'));
    std::string controlValue = good;
    controlValue.replace(controlValue.find("/home/user/Music/"), 17, "a&#1;b");
    struct Case {
        const char* name;
        std::string body;
        const char* reason;
    };
    const Case cases[] = {
        {"not XML", "<QXSync><setting-list>", "not XML"},
        {"no settings", "<QXSync><setting-list/></QXSync>", "no \"setting\""},
        {"setting without value", "<QXSync><l><setting name=\"Sync-Period\"/></l></QXSync>", "lacks"},
        {"a name handsets do not store", unknownName, "Sync-Cards"},
        {"a value too long", longValue, "259"},
        {"a control character", controlValue, "control"},
        {"a byte that is not UTF-8", "<QXSync><l><setting name=\"Sync-Period\" value=\"\xFF\"/></l></QXSync>",
         "UTF-8"},
        {"a period that is no number",
         "<QXSync><l><setting name=\"Sync-Period\" value=\"12a\"/></l></QXSync>", "12a"},
        {"a switch that is no flag", "<QXSync><l><setting name=\"Sync-Sms\" value=\"1\"/></l></QXSync>",
         "true or false"},
    };
    for (const Case& c : cases) {
        const HandsetAnswer refused =
            Phone().Send("StoreSettings", {{"QX-Challenge", Phone().ChallengeResponse()}}, c.body);
        EXPECT_EQ(refused.status, 400) << c.name;
        EXPECT_NE(refused.body.find(c.reason), std::string::npos) << c.name << ": " << refused.body;
    }
    const std::map<std::string, std::string> settings =
        AccountSettings(Admin("show-account", {{"user-id", Phone().userId}}));
    EXPECT_EQ(settings.at("Sync-Period"), "7") << "nothing was stored";
    EXPECT_EQ(settings.count("Image-Download-Dir"), 0u);
}

} // namespace
