#include "platform/Registry.h"

#include "testing/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

using Bytes = std::vector<std::uint8_t>;

mode_t FileMode(const std::filesystem::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { CRegistry::UseStore(Store()); }
    void TearDown() override { CRegistry::UseStore({}); }

    std::filesystem::path Store() const { return m_dir.Path() / "registry.db"; }

    CRegKey Create(std::u16string_view path)
    {
        CRegKey key;
        EXPECT_EQ(CRegistry::CreateKey(RegRoot::CurrentUser, path, key), RegStatus::Ok);
        return key;
    }

    static RegValue Query(const CRegKey& key, std::u16string_view name)
    {
        RegValue value;
        EXPECT_EQ(key.QueryValue(name, value), RegStatus::Ok) << "value " << std::string(name.begin(), name.end());
        return value;
    }

    static std::vector<std::u16string> ValueNames(const CRegKey& key)
    {
        std::vector<std::u16string> names;
        EXPECT_EQ(key.EnumValueNames(names), RegStatus::Ok);
        return names;
    }

    TempDir m_dir;
};

TEST_F(RegistryTest, ValuesKeepTheirTypeAndExactBytes)
{
    CRegKey key = Create(u"Software\\Orvane\\Settings");
    ASSERT_EQ(key.SetDword(u"Sync-Period", 0x01020304u), RegStatus::Ok);
    ASSERT_EQ(key.SetString(u"URL", u"h\u00e9"), RegStatus::Ok);
    ASSERT_EQ(key.SetString(u"Path", u"%HOME%", REG_EXPAND_SZ), RegStatus::Ok);
    ASSERT_EQ(key.SetValue(u"Blob", REG_BINARY, Bytes{0, 0xFF, 0}), RegStatus::Ok);
    ASSERT_EQ(key.SetValue(u"Empty", REG_BINARY, Bytes{}), RegStatus::Ok);
    // Malformed strings must come back as written, so that readers can reject them.
    ASSERT_EQ(key.SetValue(u"Odd", REG_SZ, Bytes{'a', 0, 'b'}), RegStatus::Ok);
    ASSERT_EQ(key.SetValue(u"Unterminated", REG_SZ, Bytes{'a', 0}), RegStatus::Ok);

    struct Expected {
        const char16_t* name;
        std::uint32_t type;
        Bytes data;
    };
    const Expected expected[] = {
        {u"Sync-Period", REG_DWORD, {4, 3, 2, 1}},
        {u"URL", REG_SZ, {'h', 0, 0xE9, 0, 0, 0}},
        {u"Path", REG_EXPAND_SZ, {'%', 0, 'H', 0, 'O', 0, 'M', 0, 'E', 0, '%', 0, 0, 0}},
        {u"Blob", REG_BINARY, {0, 0xFF, 0}},
        {u"Empty", REG_BINARY, {}},
        {u"Odd", REG_SZ, {'a', 0, 'b'}},
        {u"Unterminated", REG_SZ, {'a', 0}},
    };
    for (const Expected& value : expected) {
        const RegValue stored = Query(key, value.name);
        EXPECT_EQ(stored.type, value.type);
        EXPECT_EQ(stored.data, value.data);
    }

    // A rewrite may change the type.
    ASSERT_EQ(key.SetString(u"Sync-Period", u"7"), RegStatus::Ok);
    EXPECT_EQ(Query(key, u"Sync-Period").type, REG_SZ);

    RegValue missing{REG_DWORD, {1}};
    EXPECT_EQ(key.QueryValue(u"Nothing", missing), RegStatus::NotFound);
    EXPECT_EQ(missing.type, REG_NONE);
    EXPECT_TRUE(missing.data.empty());
}

TEST_F(RegistryTest, NamesAndPathsCompareIgnoringAsciiCase)
{
    CRegKey key = Create(u"Software\\Orvane\\Settings");
    ASSERT_EQ(key.SetDword(u"Sync-Period", 7), RegStatus::Ok);
    ASSERT_EQ(key.SetDword(u"SYNC-PERIOD", 8), RegStatus::Ok);
    EXPECT_EQ(ValueNames(key), std::vector<std::u16string>{u"Sync-Period"}) << "first spelling is kept";
    EXPECT_EQ(Query(key, u"sync-period").data, (Bytes{8, 0, 0, 0}));

    CRegKey other;
    ASSERT_EQ(CRegistry::OpenKey(RegRoot::CurrentUser, u"\\SOFTWARE\\orvane\\\\settings\\", other), RegStatus::Ok);
    EXPECT_EQ(Query(other, u"Sync-Period").data, (Bytes{8, 0, 0, 0}));

    // Only ASCII letters fold; other letters stay distinct, as on the handset.
    ASSERT_EQ(key.SetDword(u"\u00c4", 1), RegStatus::Ok);
    RegValue value;
    EXPECT_EQ(key.QueryValue(u"\u00e4", value), RegStatus::NotFound);

    // Roots are separate trees.
    CRegKey machine;
    EXPECT_EQ(CRegistry::OpenKey(RegRoot::LocalMachine, u"Software\\Orvane\\Settings", machine), RegStatus::NotFound);
    EXPECT_FALSE(machine.IsOpen());
}

TEST_F(RegistryTest, EnumerationFollowsFirstWrite)
{
    CRegKey key = Create(u"Software\\Orvane\\Summary");
    for (const char16_t* name : {u"c", u"a", u"b"})
        ASSERT_EQ(key.SetDword(name, 0), RegStatus::Ok);
    ASSERT_EQ(key.SetDword(u"a", 1), RegStatus::Ok);
    ASSERT_EQ(key.DeleteValue(u"C"), RegStatus::Ok);
    EXPECT_EQ(key.DeleteValue(u"c"), RegStatus::NotFound);
    ASSERT_EQ(key.SetDword(u"c", 2), RegStatus::Ok);
    EXPECT_EQ(ValueNames(key), (std::vector<std::u16string>{u"a", u"b", u"c"}));

    Create(u"Software\\Orvane\\Zeta");
    Create(u"Software\\Orvane\\Alpha\\Deep");
    CRegKey parent = Create(u"Software\\Orvane");
    std::vector<std::u16string> subKeys;
    ASSERT_EQ(parent.EnumSubKeyNames(subKeys), RegStatus::Ok);
    EXPECT_EQ(subKeys, (std::vector<std::u16string>{u"Summary", u"Zeta", u"Alpha"}));
}

TEST_F(RegistryTest, DeleteTreeRemovesEverythingBeneathAndRetiresOpenHandles)
{
    CRegKey deep = Create(u"A\\B\\C");
    ASSERT_EQ(deep.SetDword(u"v", 1), RegStatus::Ok);
    ASSERT_EQ(Create(u"A\\B").SetDword(u"v", 2), RegStatus::Ok);
    // A sibling whose name starts like the deleted key must survive.
    CRegKey sibling = Create(u"A\\Bx");
    ASSERT_EQ(sibling.SetDword(u"v", 3), RegStatus::Ok);

    ASSERT_EQ(CRegistry::DeleteTree(RegRoot::CurrentUser, u"a\\b"), RegStatus::Ok);
    EXPECT_EQ(CRegistry::DeleteTree(RegRoot::CurrentUser, u"A\\B"), RegStatus::NotFound);
    CRegKey probe;
    EXPECT_EQ(CRegistry::OpenKey(RegRoot::CurrentUser, u"A\\B\\C", probe), RegStatus::NotFound);
    EXPECT_EQ(Query(sibling, u"v").data, (Bytes{3, 0, 0, 0}));

    // The handle kept open to the deleted key answers NotFound and writes nothing.
    RegValue value;
    std::vector<std::u16string> names;
    EXPECT_EQ(deep.QueryValue(u"v", value), RegStatus::NotFound);
    EXPECT_EQ(deep.SetDword(u"v", 4), RegStatus::NotFound);
    EXPECT_EQ(deep.EnumValueNames(names), RegStatus::NotFound);
    EXPECT_EQ(deep.EnumSubKeyNames(names), RegStatus::NotFound);
    EXPECT_EQ(CRegistry::OpenKey(RegRoot::CurrentUser, u"A\\B\\C", probe), RegStatus::NotFound);

    // Nor does it reach a new key of the same name.
    CRegKey again = Create(u"A\\B\\C");
    ASSERT_EQ(again.SetDword(u"v", 5), RegStatus::Ok);
    EXPECT_EQ(deep.QueryValue(u"v", value), RegStatus::NotFound);

    deep.Close();
    EXPECT_FALSE(deep.IsOpen());
    EXPECT_EQ(deep.SetDword(u"v", 6), RegStatus::NotFound);
}

TEST_F(RegistryTest, DeleteTreeOfTheRootEmptiesItAndKeepsTheOtherRoot)
{
    CRegKey root = Create(u"");
    ASSERT_EQ(root.SetDword(u"top", 1), RegStatus::Ok);
    Create(u"Software\\Orvane");
    CRegKey machine;
    ASSERT_EQ(CRegistry::CreateKey(RegRoot::LocalMachine, u"Software\\Orvane", machine), RegStatus::Ok);

    ASSERT_EQ(CRegistry::DeleteTree(RegRoot::CurrentUser, u""), RegStatus::Ok);
    std::vector<std::u16string> names;
    EXPECT_EQ(root.EnumValueNames(names), RegStatus::Ok);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(root.EnumSubKeyNames(names), RegStatus::Ok);
    EXPECT_TRUE(names.empty());
    CRegKey probe;
    EXPECT_EQ(CRegistry::OpenKey(RegRoot::LocalMachine, u"Software\\Orvane", probe), RegStatus::Ok);
}

TEST_F(RegistryTest, StoreIsOwnerOnlyAndPersistsAcrossReopen)
{
    CRegKey key = Create(u"Software\\Orvane\\Settings");
    ASSERT_EQ(key.SetString(u"Password", u"secret"), RegStatus::Ok);
    EXPECT_EQ(CRegistry::StorePath(), Store());
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::path file = Store();
        file += suffix;
        EXPECT_EQ(FileMode(file), 0600u) << file;
    }

    CRegistry::UseStore(m_dir.Path() / "other.db");
    RegValue value;
    EXPECT_EQ(key.QueryValue(u"Password", value), RegStatus::NotFound) << "handles do not cross stores";
    CRegKey probe;
    EXPECT_EQ(CRegistry::OpenKey(RegRoot::CurrentUser, u"Software\\Orvane\\Settings", probe), RegStatus::NotFound);

    CRegistry::UseStore(Store());
    ASSERT_EQ(CRegistry::OpenKey(RegRoot::CurrentUser, u"Software\\Orvane\\Settings", probe), RegStatus::Ok);
    EXPECT_EQ(Query(probe, u"Password").data.size(), 14u);
}

TEST_F(RegistryTest, DefaultStoreLivesInThePrivateDataFolder)
{
    ScopedEnv root("LUMENO_DEVICE_ROOT", m_dir.Path().string());
    CRegistry::UseStore({});
    EXPECT_EQ(CRegistry::StorePath(), m_dir.Path() / "data" / "registry.db");
    Create(u"Software");
    EXPECT_TRUE(std::filesystem::exists(m_dir.Path() / "data" / "registry.db"));
    EXPECT_EQ(FileMode(m_dir.Path() / "data"), 0700u);
}

TEST_F(RegistryTest, UnusableStoreFailsAndIsRetriedLater)
{
    const std::filesystem::path blocker = m_dir.Path() / "file";
    ASSERT_TRUE(std::ofstream(blocker).good());
    CRegistry::UseStore(blocker / "registry.db");
    CRegKey key;
    EXPECT_EQ(CRegistry::CreateKey(RegRoot::CurrentUser, u"Software", key), RegStatus::Failed);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(CRegistry::DeleteTree(RegRoot::CurrentUser, u"Software"), RegStatus::Failed);

    // A garbage file is not a store either.
    std::ofstream(Store()) << std::string(4096, 'x');
    CRegistry::UseStore(Store());
    EXPECT_EQ(CRegistry::CreateKey(RegRoot::CurrentUser, u"Software", key), RegStatus::Failed);

    std::filesystem::remove(Store());
    EXPECT_EQ(CRegistry::CreateKey(RegRoot::CurrentUser, u"Software", key), RegStatus::Ok);
}

TEST_F(RegistryTest, ThreadsShareTheConnection)
{
    constexpr int kThreads = 4;
    constexpr int kValues = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            CRegKey key;
            if (CRegistry::CreateKey(RegRoot::CurrentUser, u"Software\\Threads", key) != RegStatus::Ok)
                return;
            for (int i = 0; i < kValues; ++i) {
                const std::string name = std::to_string(t) + "-" + std::to_string(i);
                key.SetDword(std::u16string(name.begin(), name.end()), static_cast<std::uint32_t>(i));
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(ValueNames(Create(u"Software\\Threads")).size(), std::size_t{kThreads * kValues});
}

} // namespace
