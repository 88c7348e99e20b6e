// The settings exchange with the server: the account's configuration reaches the handset's record,
// and the user's 21 choices reach the account.

#include "EndToEndFixture.h"

#include <filesystem>

namespace {

class SettingsEndToEndTest : public EndToEndTest {};

TEST_F(SettingsEndToEndTest, RetrievedSettingsAreTheServersValues)
{
    const std::string userId = RegisterByOperator().GetOr("user-id");
    const AdminReply changed = Admin("set-settings", {{"user-id", userId},
                                                      {"set", "Sync-Period=14"},
                                                      {"set", "Extensions-Image=jpg;heic"},
                                                      {"set", "Enable-Backup=false"}});
    ASSERT_TRUE(changed.Ok()) << changed.error;
    const std::string version = changed.records.at(0).GetOr("config-version");

    ASSERT_EQ(m_service->SettingsRetrieveFlow(Window()), RES_OK);
    const _SETTINGS_DEF settings = CReg_Api::GetInstanceReg()->Snapshot();
    EXPECT_EQ(settings.Sync_Period, 14);
    EXPECT_EQ(settings.Extensions_Image, u"jpg;heic");
    EXPECT_EQ(settings.Enable_Backup, 0);
    // The rest of the account's configuration came along.
    EXPECT_EQ(settings.URL, Utf8ToUtf16(m_server.ServerUrl()));
    EXPECT_EQ(settings.Sync_Timeframe, u"0;1;7;14;28");
    EXPECT_EQ(settings.Calendar_Timeframe_Back, 30);
    EXPECT_EQ(settings.Calendar_Timeframe_Fwd, 365);
    EXPECT_EQ(settings.Extensions_Audio, u"mp3;wma;wav;amr;aac;m4a");
    EXPECT_EQ(settings.Config_Version, Utf8ToUtf16(version));
    EXPECT_EQ(settings.SettingsRettrived, 1);
    // Saved, as the next start of the program finds them.
    EXPECT_EQ(StoredNumber(u"Sync-Period"), 14u);
    EXPECT_EQ(StoredText(u"Config-Version"), Utf8ToUtf16(version));

    // Up to date, the next session needs no download; a change by the operator makes it stale again.
    EXPECT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    ASSERT_TRUE(Admin("set-settings", {{"user-id", userId}, {"set", "Sync-Period=21"}}).Ok());
    EXPECT_EQ(m_service->StartNegotiation(Window()), RES_SETTINGS_REQUIRED);
    EXPECT_EQ(m_service->ConfigVersionFlow(Window()), RES_OK);
    EXPECT_EQ(Settings()->Sync_Period, 21);
}

TEST_F(SettingsEndToEndTest, StoredSettingsAreTheHandsetsTwentyOneValues)
{
    const std::string userId = RegisterByOperator().GetOr("user-id");
    const std::string version = Account(userId).GetOr("config-version");
    // The user's choices: every switch the other way round from the account's defaults (any value but
    // 0 is on).
    struct Switch {
        const char* name;
        std::int32_t _SETTINGS_DEF::*field;
        std::int32_t value;
    };
    const Switch switches[] = {
        {"Sync-Contacts", &_SETTINGS_DEF::Sync_Contacts, 0},
        {"Sync-Contacts-Auto", &_SETTINGS_DEF::Sync_Contacts_Auto, 1},
        {"Sync-Events", &_SETTINGS_DEF::Sync_Events, 0},
        {"Sync-Sms", &_SETTINGS_DEF::Sync_Sms, 2},
        {"Sync-Images", &_SETTINGS_DEF::Sync_Images, 0},
        {"Sync-Video", &_SETTINGS_DEF::Sync_Video, 1},
        {"Sync-Audio", &_SETTINGS_DEF::Sync_Audio, 1},
        {"Sync-Other", &_SETTINGS_DEF::Sync_Other, -1},
        {"Sync-Direction-Contacts", &_SETTINGS_DEF::Sync_Direction_Contacts, 0},
        {"Sync-Direction-Events", &_SETTINGS_DEF::Sync_Direction_Events, 0},
        {"Sync-Direction-Images", &_SETTINGS_DEF::Sync_Direction_Images, 0},
        {"Sync-Direction-Video", &_SETTINGS_DEF::Sync_Direction_Video, 1},
        {"Sync-Direction-Audio", &_SETTINGS_DEF::Sync_Direction_Audio, 1},
        {"Sync-Direction-Other", &_SETTINGS_DEF::Sync_Direction_Other, 1},
        {"Sync-Memory", &_SETTINGS_DEF::Sync_Memory, 0},
        {"Sync-Card", &_SETTINGS_DEF::Sync_Card, 0},
    };
    std::map<std::string, std::string> expected = {{"Sync-Period", "3"}};
    {
        const CReg_Api::LockedSettings locked = Settings();
        _SETTINGS_DEF& settings = *locked;
        settings.Sync_Period = 3;
        for (const Switch& choice : switches) {
            settings.*choice.field = choice.value;
            expected[choice.name] = choice.value != 0 ? "true" : "false";
        }
        for (const auto& [name, field] : {std::pair{"Image-Download-Dir", &_SETTINGS_DEF::Image_Download_Dir},
                                          std::pair{"Video-Download-Dir", &_SETTINGS_DEF::Video_Download_Dir},
                                          std::pair{"Audio-Download-Dir", &_SETTINGS_DEF::Audio_Download_Dir},
                                          std::pair{"Other-Download-Dir", &_SETTINGS_DEF::Other_Download_Dir}}) {
            // Paths travel as UTF-8.
            const std::filesystem::path folder = Root() / "Gew\xC3\xA4hlt" / name;
            std::filesystem::create_directories(folder);
            expected[name] = folder.string() + "/";
            settings.*field = Utf8ToUtf16(expected[name]);
        }
    }

    ASSERT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    ASSERT_EQ(m_service->CompleteNegotiation(u"StoreSettings", 0, 0, 0, 0, 0), RES_OK);
    ASSERT_EQ(m_service->SettingsStoreFlow(), RES_OK);
    ASSERT_EQ(m_service->CompleteSession(), RES_OK);

    ASSERT_EQ(expected.size(), 21u);
    const std::map<std::string, std::string> stored = AccountSettings(userId);
    for (const auto& [name, value] : expected) {
        const auto found = stored.find(name);
        ASSERT_NE(found, stored.end()) << name;
        EXPECT_EQ(found->second, value) << name;
    }
    // The handset already holds what it sent: its configuration stays current.
    EXPECT_EQ(Account(userId).GetOr("config-version"), version);
    EXPECT_EQ(m_service->StartNegotiation(Window()), RES_OK);
}

} // namespace
