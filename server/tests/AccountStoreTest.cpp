// The SQLite account store on its own: what survives reopening, ordering, all-or-nothing changes.

#include "store/AccountStoreSchema.h"
#include "store/SqliteAccountStore.h"

#include "platform/Sqlite.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace {

class AccountStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumeno-store-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        m_folder = pattern;
        std::string error;
        ASSERT_TRUE(m_store->Open(File(), error)) << error;
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::filesystem::path File() const { return m_folder / "refserver.db"; }

    static DeviceRecord Device(std::string id)
    {
        DeviceRecord device;
        device.deviceId = std::move(id);
        device.createdMs = 5;
        return device;
    }

    std::filesystem::path m_folder;
    std::unique_ptr<CSqliteAccountStore> m_store = std::make_unique<CSqliteAccountStore>();
};

TEST_F(AccountStoreTest, AccountsGetNumbersUnlessNamedAndNamesAreUnique)
{
    const std::optional<AccountRecord> first = m_store->CreateAccount({}, {}, nullptr);
    AccountRecord named;
    named.userId = "100002"; // the number the next account would get
    ASSERT_TRUE(m_store->CreateAccount(named, {}, nullptr));
    const std::optional<AccountRecord> third = m_store->CreateAccount({}, {}, nullptr);
    ASSERT_TRUE(first && third);
    EXPECT_EQ(first->userId, "100001");
    EXPECT_EQ(third->userId, "100003") << "a taken number is skipped";
    EXPECT_FALSE(m_store->CreateAccount(named, {}, nullptr)) << "taken";
    EXPECT_EQ(m_store->ListAccounts().size(), 3u);
}

TEST_F(AccountStoreTest, AccountWithDeviceAndSettingsSurvivesReopening)
{
    AccountRecord account;
    account.userKey = "UK";
    account.password = "pw";
    const SettingValue settings[] = {{"B", "2"}, {"A", "1"}};
    DeviceRecord device = Device("D1");
    device.deviceKey = "K";
    device.keyDelivery = KeyDelivery::Push;
    device.pushPort = 4000;
    device.expectCir = true;
    const std::optional<AccountRecord> created = m_store->CreateAccount(account, settings, &device);
    ASSERT_TRUE(created);

    CSqliteAccountStore reopened;
    std::string error;
    m_store.reset(); // the file is closed before it is opened again
    ASSERT_TRUE(reopened.Open(File(), error)) << error;
    const std::optional<AccountRecord> found = reopened.FindAccount(created->userId);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->userKey, "UK");
    EXPECT_EQ(found->password, "pw");
    const std::optional<DeviceRecord> stored = reopened.FindDevice("D1");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->userId, created->userId);
    EXPECT_EQ(stored->deviceKey, "K");
    EXPECT_EQ(stored->keyDelivery, KeyDelivery::Push);
    EXPECT_EQ(stored->pushPort, 4000);
    EXPECT_TRUE(stored->expectCir);
    const std::vector<SettingValue> values = reopened.Settings(created->userId);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].name, "B") << "in the order given, not by name";
}

TEST_F(AccountStoreTest, SettingsKeepTheirPlaceAndChangeAllOrNothing)
{
    const SettingValue initial[] = {{"A", "1"}, {"B", "2"}, {"C", "3"}};
    const std::optional<AccountRecord> account = m_store->CreateAccount({}, initial, nullptr);
    ASSERT_TRUE(account);
    const SettingValue changes[] = {{"B", "20"}, {"D", "4"}};
    const std::string removals[] = {"A"};
    EXPECT_EQ(m_store->UpdateSettings(account->userId, changes, removals, VersionBump::Yes), 2);
    const std::vector<SettingValue> values = m_store->Settings(account->userId);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].name, "B");
    EXPECT_EQ(values[0].value, "20");
    EXPECT_EQ(values[2].name, "D");
    EXPECT_EQ(m_store->UpdateSettings(account->userId, changes, {}, VersionBump::No), 2);
    EXPECT_FALSE(m_store->UpdateSettings("nobody", changes, {}, VersionBump::Yes));
}

TEST_F(AccountStoreTest, ContactUpdatesOnlyWhereTheDeviceWasSeen)
{
    DeviceRecord device = Device("D1");
    device.userAgent = "old agent";
    device.expectCir = true;
    ASSERT_TRUE(m_store->SaveDevice(device));
    DeviceContact contact;
    contact.deviceId = "D1";
    contact.address = "10.0.0.7";
    contact.imsi = "26201";
    contact.seenMs = 99;
    ASSERT_TRUE(m_store->RecordContact(contact));
    const std::optional<DeviceRecord> stored = m_store->FindDevice("D1");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->lastAddress, "10.0.0.7");
    EXPECT_EQ(stored->imsi, "26201");
    EXPECT_EQ(stored->userAgent, "old agent") << "an empty text leaves the value";
    EXPECT_TRUE(stored->expectCir) << "the rest of the record is untouched";
    EXPECT_EQ(stored->lastSeenMs, 99);

    contact.deviceId = "UNKNOWN";
    EXPECT_TRUE(m_store->RecordContact(contact));
    EXPECT_FALSE(m_store->FindDevice("UNKNOWN")) << "contacts never create devices";
}

TEST_F(AccountStoreTest, SessionsUpdateInPlaceAndOldOnesAreDropped)
{
    SessionRecord first{"S1", "D1", "C1", SessionState::Started, "", "", 10, 10, false, 0, ""};
    SessionRecord second{"S2", "D1", "C2", SessionState::Started, "", "", 10, 10, false, 0, ""};
    ASSERT_TRUE(m_store->SaveSession(first));
    ASSERT_TRUE(m_store->SaveSession(second));
    first.state = SessionState::Completed;
    first.errorReported = true;
    first.errorMessage = "broken";
    first.lastUsedMs = 50;
    ASSERT_TRUE(m_store->SaveSession(first));
    EXPECT_EQ(m_store->LatestSession("D1")->sessionId, "S2") << "an update keeps the session's place";
    const std::optional<SessionRecord> stored = m_store->FindSession("S1");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->state, SessionState::Completed);
    EXPECT_EQ(stored->errorMessage, "broken");
    EXPECT_EQ(stored->challenge, "C1");
    EXPECT_EQ(m_store->DropSessionsUnusedSince(20), 1);
    EXPECT_FALSE(m_store->FindSession("S2"));
    EXPECT_TRUE(m_store->FindSession("S1"));
}

TEST_F(AccountStoreTest, StoreOfANewerServerIsRefused)
{
    m_store.reset();
    {
        CSqliteDb db;
        ASSERT_TRUE(db.Open(File()).Ok());
        ASSERT_TRUE(db.SetUserVersion(kAccountStoreSchemaVersion + 1).Ok());
    }
    CSqliteAccountStore newer;
    std::string error;
    EXPECT_FALSE(newer.Open(File(), error));
    EXPECT_NE(error.find("newer"), std::string::npos) << error;
    EXPECT_FALSE(newer.Open(m_folder / "missing" / "x.db", error));
}

} // namespace
