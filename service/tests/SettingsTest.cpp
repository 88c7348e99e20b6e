#include "ServiceFixture.h"

#include "platform/DevicePaths.h"

#include <thread>
#include <vector>

namespace {

std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text, bool terminated = true)
{
    std::vector<std::uint8_t> bytes;
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    if (terminated)
        bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

std::u16string FolderText(const std::filesystem::path& folder)
{
    return Utf8ToUtf16(folder.native()) + u"/";
}

class SettingsTest : public ServiceFixture {
protected:
    static CRegKey Key()
    {
        CRegKey key;
        EXPECT_EQ(CRegistry::CreateKey(RegRoot::CurrentUser, kSettingsKey, key), RegStatus::Ok);
        return key;
    }

    static CReg_Api::LockedSettings Loaded() { return CReg_Api::GetInstanceReg()->GetSettingsInstance(); }

    static void Reload() { CReg_Api::GetInstanceReg()->UpdateRegistry(); }
};

} // namespace

TEST(SettingsTable, HasTheSeventyFourValuesEachWithOneField)
{
    std::size_t count = 0;
    const SettingDescriptor* table = SettingsTable(count);
    ASSERT_EQ(count, 74u);
    EXPECT_STREQ(reinterpret_cast<const char*>(table[0].name), reinterpret_cast<const char*>(u"Sync-Period"));
    for (std::size_t i = 0; i < count; ++i)
        EXPECT_NE(table[i].integer == nullptr, table[i].text == nullptr) << i;
    EXPECT_EQ(FindSetting(u"QX-key")->text, &_SETTINGS_DEF::QX_key);
    EXPECT_EQ(FindSetting(u"File-Download-Chunk-Size"), &table[73]);
    EXPECT_EQ(FindSetting(u"qx-key"), nullptr); // exact spelling only
}

TEST_F(SettingsTest, AnEmptyKeyGivesTheDefaultsAndTheSpecialFolders)
{
    const _SETTINGS_DEF settings = CReg_Api::GetInstanceReg()->Snapshot();
    EXPECT_EQ(settings.Sync_Period, 7);
    EXPECT_EQ(settings.Sync_Contacts, 1);
    EXPECT_EQ(settings.Sync_Sms, 0);
    EXPECT_EQ(settings.Enable_Settings, 1);
    EXPECT_EQ(settings.Max_File_Size, 512000);
    EXPECT_EQ(settings.Retry_Number, 0);
    EXPECT_EQ(settings.Enable_Scheduler, 1);
    EXPECT_EQ(settings.URL, u"");

    const std::pair<const char16_t*, SpecialFolder> folders[] = {
        {u"Image-Download-Dir", SpecialFolder::MyPictures},
        {u"Video-Download-Dir", SpecialFolder::MyVideo},
        {u"Audio-Download-Dir", SpecialFolder::MyMusic},
        {u"Other-Download-Dir", SpecialFolder::MyDocuments},
    };
    for (const auto& [name, special] : folders) {
        const std::u16string expected = FolderText(CDevicePaths::Special(special, false));
        EXPECT_EQ(settings.*FindSetting(name)->text, expected);
        EXPECT_EQ(StoredText(name), expected); // written back at once
        EXPECT_TRUE(std::filesystem::is_directory(CDevicePaths::Special(special, false)));
    }
}

TEST_F(SettingsTest, InvalidValuesAreIgnoredAndTheFieldKeepsItsValue)
{
    struct Case {
        const char* what;
        const char16_t* name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    const std::u16string longText(300, u'x');
    const Case cases[] = {
        {"integer stored as a string", u"Sync-Period", REG_SZ, Utf16Bytes(u"14")},
        {"integer of two bytes", u"Sync-Period", REG_DWORD, {14, 0}},
        {"integer of eight bytes", u"Sync-Period", REG_DWORD, {14, 0, 0, 0, 0, 0, 0, 0}},
        {"integer as binary", u"Sync-Period", REG_BINARY, {14, 0, 0, 0}},
        {"text of 300 characters", u"URL", REG_SZ, Utf16Bytes(longText)},
        {"text of 260 characters and terminator", u"URL", REG_SZ, Utf16Bytes(std::u16string(260, u'y'))},
        {"text of odd byte length", u"URL", REG_SZ, {'h', 0, 't', 0, 0}},
        {"text without terminator", u"URL", REG_SZ, Utf16Bytes(u"http://x", false)},
        {"text stored as an integer", u"URL", REG_DWORD, {1, 0, 0, 0}},
        {"empty text data", u"URL", REG_SZ, {}},
    };
    for (const Case& c : cases) {
        ReleaseEverything();
        Key().SetDword(u"Sync-Period", 3);
        Key().SetString(u"URL", u"http://good");
        ASSERT_EQ(Loaded()->Sync_Period, 3);
        ASSERT_EQ(Loaded()->URL, u"http://good");

        Key().SetValue(c.name, c.type, c.data);
        Reload();
        EXPECT_EQ(Loaded()->Sync_Period, 3) << c.what;
        EXPECT_EQ(Loaded()->URL, u"http://good") << c.what;
    }
}

TEST_F(SettingsTest, TextsUpToTheLimitAndExpandableStringsAreTaken)
{
    const std::u16string longest(259, u'z');
    Key().SetString(u"URL", longest);
    Key().SetString(u"UserId", u"42", REG_EXPAND_SZ);
    EXPECT_EQ(Loaded()->URL, longest);
    EXPECT_EQ(Loaded()->UserId, u"42");
}

TEST_F(SettingsTest, ThreeIntegersResetWhenTheirValueIsInvalid)
{
    Key().SetDword(u"Max-File-Size", 1000);
    Key().SetDword(u"Retry-Number", 5);
    Key().SetDword(u"SettingsRettrived", 1);
    Key().SetDword(u"Sync-Card", 0);
    ASSERT_EQ(Loaded()->Max_File_Size, 1000);
    for (const char16_t* name : {u"Max-File-Size", u"Retry-Number", u"SettingsRettrived", u"Sync-Card"})
        Key().SetString(name, u"bad");
    Reload();
    EXPECT_EQ(Loaded()->Max_File_Size, 512000);
    EXPECT_EQ(Loaded()->Retry_Number, 0);
    EXPECT_EQ(Loaded()->SettingsRettrived, 0);
    EXPECT_EQ(Loaded()->Sync_Card, 0); // any other integer keeps what it had
}

TEST_F(SettingsTest, DownloadFoldersAreNormalisedAndWrittenBack)
{
    const std::filesystem::path existing = Root() / "photos";
    std::filesystem::create_directories(existing);
    const std::u16string pictures = FolderText(CDevicePaths::Special(SpecialFolder::MyPictures, true));
    struct Case {
        std::u16string stored;
        std::u16string expected;
    };
    const Case cases[] = {
        {Utf8ToUtf16(existing.native()), FolderText(existing)},
        {Utf8ToUtf16(existing.native()) + u"/", FolderText(existing)},
        {Utf8ToUtf16((Root() / "missing").native()), pictures},
        {u"/", pictures}, // too short, even though it exists
        {u"", pictures},
    };
    for (const Case& c : cases) {
        ReleaseEverything();
        Key().SetString(u"Image-Download-Dir", c.stored);
        EXPECT_EQ(Loaded()->Image_Download_Dir, c.expected) << Utf16ToUtf8(c.stored);
        EXPECT_EQ(StoredText(u"Image-Download-Dir"), c.expected) << Utf16ToUtf8(c.stored);
    }
}

TEST_F(SettingsTest, SaveWritesNeitherExpectCirNorForbiddenFolders)
{
    Loaded()->ExpectCIR = u"pending";
    Loaded()->Forbidden_Folders = u"new";
    CReg_Api::GetInstanceReg()->SaveSettings();
    RegValue value;
    EXPECT_EQ(Key().QueryValue(u"ExpectCIR", value), RegStatus::NotFound);
    EXPECT_EQ(Key().QueryValue(u"Forbidden-Folders", value), RegStatus::NotFound);

    // A stored value is read, and a changed record does not overwrite it.
    ReleaseEverything();
    Key().SetString(u"Forbidden-Folders", u"\\Windows");
    Key().SetString(u"ExpectCIR", u"never read");
    EXPECT_EQ(Loaded()->Forbidden_Folders, u"\\Windows");
    EXPECT_EQ(Loaded()->ExpectCIR, u"");
    Loaded()->Forbidden_Folders = u"changed";
    CReg_Api::GetInstanceReg()->SaveSettings();
    EXPECT_EQ(StoredText(u"Forbidden-Folders"), u"\\Windows");
}

TEST_F(SettingsTest, EveryValueRoundTripsThroughTheRegistry)
{
    std::size_t count = 0;
    const SettingDescriptor* table = SettingsTable(count);
    const std::u16string folder = FolderText(Root());
    {
        const CReg_Api::LockedSettings locked = Loaded();
        _SETTINGS_DEF& settings = *locked;
        for (std::size_t i = 0; i < count; ++i) {
            if (table[i].integer)
                settings.*table[i].integer = -1000 - static_cast<std::int32_t>(i);
            else
                settings.*table[i].text = u"value " + Utf8ToUtf16(std::to_string(i)) + u" \u00e4\u20ac";
        }
        settings.Image_Download_Dir = settings.Video_Download_Dir = folder;
        settings.Audio_Download_Dir = settings.Other_Download_Dir = folder;
    }
    EXPECT_EQ(CReg_Api::GetInstanceReg()->SaveSettings(), 1);

    CReg_Api::Release();
    const _SETTINGS_DEF loaded = CReg_Api::GetInstanceReg()->Snapshot();
    for (std::size_t i = 0; i < count; ++i) {
        const std::u16string_view name = table[i].name;
        if (table[i].integer) {
            EXPECT_EQ(loaded.*table[i].integer, -1000 - static_cast<std::int32_t>(i)) << Utf16ToUtf8(name);
        } else if (name == u"ExpectCIR" || name == u"Forbidden-Folders") {
            EXPECT_EQ(loaded.*table[i].text, u"") << Utf16ToUtf8(name);
        } else if (name.ends_with(u"-Download-Dir")) {
            EXPECT_EQ(loaded.*table[i].text, folder) << Utf16ToUtf8(name);
        } else {
            EXPECT_EQ(loaded.*table[i].text, u"value " + Utf8ToUtf16(std::to_string(i)) + u" \u00e4\u20ac")
                << Utf16ToUtf8(name);
        }
    }
}

// The push handler stores keys and saves on the user-interface thread while a flow reads them and
// stores its own values on the worker thread.
TEST_F(SettingsTest, SharedFieldsMayBeUsedFromTwoThreadsAtOnce)
{
    CReg_Api& settings = *CReg_Api::GetInstanceReg();
    std::thread handler([&] {
        for (int i = 0; i < 20; ++i) {
            settings.Set(&_SETTINGS_DEF::QX_key, i % 2 ? u"key-one" : u"key-two");
            settings.Set(&_SETTINGS_DEF::Ukey, u"u1");
            settings.SaveSettings();
        }
    });
    for (int i = 0; i < 2000; ++i) {
        settings.Set(&_SETTINGS_DEF::Retry_Number, i);
        const std::u16string key = settings.Get(&_SETTINGS_DEF::QX_key);
        EXPECT_TRUE(key.empty() || key == u"key-one" || key == u"key-two");
        if (i % 500 == 0)
            settings.SaveSettings();
    }
    handler.join();
    EXPECT_TRUE(settings.HasKeys());
    settings.SaveSettings();
    CReg_Api::Release();
    EXPECT_EQ(CReg_Api::GetInstanceReg()->GetSettingsInstance()->Retry_Number, 1999);
    EXPECT_EQ(CReg_Api::GetInstanceReg()->GetSettingsInstance()->QX_key, u"key-one");
}
