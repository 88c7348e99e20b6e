#include "platform/DevicePaths.h"

#include "testing/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

mode_t FolderMode(const fs::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

class DeviceRootTest : public ::testing::Test {
protected:
    DeviceRootTest()
        : m_root("LUMENO_DEVICE_ROOT", m_dir.Path().string())
    {
        fs::create_directories(Root() / "media" / "Storage Card");
        fs::create_directories(Root() / "media" / "SD Card");
        std::ofstream(Root() / "media" / "notacard") << "a file, not a mount";
    }
    const fs::path& Root() const { return m_dir.Path(); }

    TempDir m_dir;
    ScopedEnv m_root;
};

TEST_F(DeviceRootTest, DevicePathsMapIntoTheirFolders)
{
    const fs::path docs = Root() / "My Documents";
    const fs::path cards = Root() / "media";
    const struct {
        std::u16string_view device;
        fs::path host;
    } cases[] = {
        {u"\\Lumeno\\tidal.log", Root() / "Lumeno" / "tidal.log"},
        {u"/lumeno/x/../y", Root() / "Lumeno" / "x" / "y"},
        {u"\\My Documents\\a.txt", docs / "a.txt"},
        {u"\\my documents\\MY PICTURES\\p.jpg", docs / "My Pictures" / "p.jpg"},
        {u"\\My Documents\\My Videos\\v.3gp", docs / "My Videos" / "v.3gp"},
        {u"My Documents/My Music//m.mp3", docs / "My Music" / "m.mp3"},
        {u"\\My Documents\\My Picturesque", docs / "My Picturesque"},
        {u"\\res.xml", Root() / "res.xml"},
        {u"\\Storage Card\\DCIM", cards / "Storage Card" / "DCIM"},
        {u"\\storage CARD/DCIM\\.", cards / "Storage Card" / "DCIM"},
        {u"\\SD Card", cards / "SD Card"},
        {u"\\..\\..\\etc\\passwd", Root() / "etc" / "passwd"},
        {u"\\Lumeno\\..\\..\\x", Root() / "Lumeno" / "x"},
        {u"\\notacard\\a", Root() / "notacard" / "a"},
        {u"\\Lumenox\\a", Root() / "Lumenox" / "a"},
        {u"\\Windows\\\u00e9t\u00e9", Root() / "Windows" / "\xC3\xA9t\xC3\xA9"},
        {std::u16string_view(u"\\a\0b", 4), Root() / "a"},
        {u"", Root()},
        {u"\\", Root()},
        {u"./..", Root()},
    };
    for (const auto& mapping : cases) {
        EXPECT_EQ(CDevicePaths::ToHost(mapping.device), mapping.host)
            << std::string(mapping.device.begin(), mapping.device.end());
    }
    // Mapping never creates anything.
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(Root()))
        entries.push_back(entry.path().filename());
    EXPECT_EQ(entries, std::vector<fs::path>{"media"});
}

TEST_F(DeviceRootTest, HostPathsMapBackToDevicePaths)
{
    const struct {
        fs::path host;
        std::u16string_view device;
    } cases[] = {
        {Root() / "Lumeno", u"\\Lumeno"},
        {Root() / "Lumeno" / "x" / ".." / "tidal.log", u"\\Lumeno\\tidal.log"},
        {Root() / "lumeno", u"\\lumeno"},
        {Root() / "Lumenox", u"\\Lumenox"},
        {Root() / "media" / "Storage Card" / "Lumeno", u"\\Storage Card\\Lumeno"},
        {Root() / "My Documents" / "a.txt", u"\\My Documents\\a.txt"},
        {Root(), u"\\"},
        {Root().parent_path() / "elsewhere", u""},
        {"/usr/bin", u""},
    };
    for (const auto& mapping : cases)
        EXPECT_EQ(CDevicePaths::ToDevice(mapping.host), mapping.device) << mapping.host;
}

TEST_F(DeviceRootTest, FoldersLiveUnderTheRootAndAreCreatedOnRequest)
{
    EXPECT_EQ(CDevicePaths::DeviceRoot(), Root());
    EXPECT_EQ(CDevicePaths::ProgramFolder(), Root() / "Lumeno");
    EXPECT_EQ(CDevicePaths::Special(SpecialFolder::MyMusic, false), Root() / "My Documents" / "My Music");
    EXPECT_FALSE(fs::exists(Root() / "My Documents"));

    const struct {
        SpecialFolder folder;
        fs::path host;
    } specials[] = {
        {SpecialFolder::MyDocuments, Root() / "My Documents"},
        {SpecialFolder::MyPictures, Root() / "My Documents" / "My Pictures"},
        {SpecialFolder::MyVideo, Root() / "My Documents" / "My Videos"},
        {SpecialFolder::MyMusic, Root() / "My Documents" / "My Music"},
    };
    for (const auto& special : specials) {
        EXPECT_EQ(CDevicePaths::Special(special.folder, true), special.host);
        EXPECT_TRUE(fs::is_directory(special.host)) << special.host;
    }

    EXPECT_EQ(CDevicePaths::DataFolder(), Root() / "data");
    EXPECT_EQ(FolderMode(Root() / "data"), 0700u);
    EXPECT_EQ(CDevicePaths::TempFolder(), Root() / "temp");
    EXPECT_EQ(FolderMode(Root() / "temp"), 0700u);
}

TEST_F(DeviceRootTest, StorageCardsAreTheFoldersUnderMediaByName)
{
    const std::vector<StorageCard> cards = CDevicePaths::StorageCards();
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].name, u"SD Card");
    EXPECT_EQ(cards[0].hostPath, Root() / "media" / "SD Card");
    EXPECT_EQ(cards[1].name, u"Storage Card");

    fs::remove_all(Root() / "media");
    EXPECT_TRUE(CDevicePaths::StorageCards().empty());
}

// Without a device root: the user's XDG folders under a fake home.
class HostFoldersTest : public ::testing::Test {
protected:
    HostFoldersTest()
        : m_root("LUMENO_DEVICE_ROOT", std::nullopt)
        , m_home("HOME", m_dir.Path().string())
        , m_config("XDG_CONFIG_HOME", std::nullopt)
        , m_data("XDG_DATA_HOME", std::nullopt)
        , m_user("USER", "lumeno-test-user-without-media")
    {
    }
    const fs::path& Home() const { return m_dir.Path(); }

    void WriteUserDirs(const fs::path& folder, const std::string& text)
    {
        fs::create_directories(folder);
        std::ofstream(folder / "user-dirs.dirs") << text;
    }

    TempDir m_dir;
    ScopedEnv m_root;
    ScopedEnv m_home;
    ScopedEnv m_config;
    ScopedEnv m_data;
    ScopedEnv m_user;
};

TEST_F(HostFoldersTest, WithoutUserDirsTheHomeFoldersServe)
{
    EXPECT_EQ(CDevicePaths::Special(SpecialFolder::MyDocuments, false), Home() / "Documents");
    EXPECT_EQ(CDevicePaths::Special(SpecialFolder::MyPictures, false), Home() / "Pictures");
    EXPECT_EQ(CDevicePaths::Special(SpecialFolder::MyVideo, false), Home() / "Videos");
    EXPECT_EQ(CDevicePaths::Special(SpecialFolder::MyMusic, true), Home() / "Music");
    EXPECT_TRUE(fs::is_directory(Home() / "Music"));
    EXPECT_TRUE(CDevicePaths::StorageCards().empty());

    const fs::path data = Home() / ".local" / "share" / "lumeno";
    EXPECT_EQ(CDevicePaths::ProgramFolder(), data / "Lumeno");
    EXPECT_EQ(CDevicePaths::DeviceRoot(), data / "device");
    EXPECT_EQ(CDevicePaths::ToHost(u"\\res.xml"), data / "device" / "res.xml");
    EXPECT_EQ(CDevicePaths::DataFolder(), data);
    EXPECT_EQ(FolderMode(data), 0700u);
}

TEST_F(HostFoldersTest, UserDirsFileNamesTheSpecialFolders)
{
    const fs::path pictures = Home() / "elsewhere" / "pics";
    WriteUserDirs(Home() / ".config", "# written by xdg-user-dirs-update\n"
                                      "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n"
                                      "XDG_PICTURES_DIR=\"" + pictures.string() + "\"\n"
                                      "XDG_VIDEOS_DIR=\"$HOME/Films \\\"HD\\\"\"\n"
                                      "XDG_MUSIC_DIR=\"relative/is/invalid\"\n"
                                      "XDG_DOCUMENTS_DIR=\"$HOME/Later Docs\"\n");
    EXPECT_EQ(CDevicePaths::Special(SpecialFolder::MyDocuments, false), Home() / "Later Docs");
    EXPECT_EQ(CDevicePaths::Special(SpecialFolder::MyPictures, false), pictures);
    EXPECT_EQ(CDevicePaths::Special(SpecialFolder::MyVideo, false), Home() / "Films \"HD\"");
    EXPECT_EQ(CDevicePaths::Special(SpecialFolder::MyMusic, false), Home() / "Music");
    EXPECT_EQ(CDevicePaths::ToHost(u"\\My Documents\\My Pictures\\p.jpg"), pictures / "p.jpg");
    EXPECT_EQ(CDevicePaths::ToHost(u"\\My Documents\\a.txt"), Home() / "Later Docs" / "a.txt");
}

TEST_F(HostFoldersTest, XdgVariablesMoveConfigAndData)
{
    const fs::path config = Home() / "cfg";
    WriteUserDirs(config, "XDG_MUSIC_DIR=\"$HOME\"\n");
    ScopedEnv configHome("XDG_CONFIG_HOME", config.string());
    ScopedEnv dataHome("XDG_DATA_HOME", (Home() / "xdg-data").string());
    EXPECT_EQ(CDevicePaths::Special(SpecialFolder::MyMusic, false), Home());
    EXPECT_EQ(CDevicePaths::ProgramFolder(), Home() / "xdg-data" / "lumeno" / "Lumeno");

    // A relative XDG_DATA_HOME is invalid and ignored.
    ScopedEnv relative("XDG_DATA_HOME", "not/absolute");
    EXPECT_EQ(CDevicePaths::ProgramFolder(), Home() / ".local" / "share" / "lumeno" / "Lumeno");
}

} // namespace
