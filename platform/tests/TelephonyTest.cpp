#include "platform/Telephony.h"

#include "utils/Sha1.h"

#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace {

class TelephonyTest : public ::testing::Test {
protected:
    TempDir m_root;
    ScopedEnv m_device{"LUMENO_DEVICE_ROOT", m_root.Path().string()};
    ScopedEnv m_manufacturer{"LUMENO_MANUFACTURER", "Maker"};
    ScopedEnv m_model{"LUMENO_MODEL", "Model 1"};
    ScopedEnv m_revision{"LUMENO_REVISION", "r2"};
    ScopedEnv m_imei{"LUMENO_IMEI", "356938035643809123"};
    ScopedEnv m_subscriber{"LUMENO_SUBSCRIBER", "262011234567890"};
    ScopedEnv m_oem{"LUMENO_OEM_INFO", "Maker Phone"};
    ScopedEnv m_platform{"LUMENO_PLATFORM_TYPE", std::nullopt};
    ScopedEnv m_os{"LUMENO_OS_VERSION", "5.1.1700"};
    ScopedEnv m_machine{"LUMENO_MACHINE_ID", "0123456789abcdef0123456789abcdef"};
};

TEST_F(TelephonyTest, LineInformationComesFromTheConfiguration)
{
    LineGeneralInfo info;
    ASSERT_TRUE(CTelephony::ReadLineGeneralInfo(info));
    EXPECT_EQ(info.manufacturer, u"Maker");
    EXPECT_EQ(info.model, u"Model 1");
    EXPECT_EQ(info.revision, u"r2");
    EXPECT_EQ(info.serialNumber, u"356938035643809123");
    EXPECT_EQ(info.subscriberNumber, u"262011234567890");
}

TEST_F(TelephonyTest, ConfiguredEmptyValuesMeanNoneWithoutAskingTheMachine)
{
    ScopedEnv manufacturer("LUMENO_MANUFACTURER", "");
    ScopedEnv model("LUMENO_MODEL", "");
    ScopedEnv imei("LUMENO_IMEI", "");
    ScopedEnv subscriber("LUMENO_SUBSCRIBER", "");
    LineGeneralInfo info;
    EXPECT_FALSE(CTelephony::ReadLineGeneralInfo(info));
    EXPECT_TRUE(info.manufacturer.empty());
    EXPECT_TRUE(info.serialNumber.empty());
    EXPECT_TRUE(info.subscriberNumber.empty());
}

TEST_F(TelephonyTest, OsVersionFromConfigurationWithPocketPcAsDefaultPlatform)
{
    struct Case {
        const char* text;
        std::uint32_t major, minor, build;
    };
    const Case cases[] = {{"5.1.1700", 5, 1, 1700}, {"6", 6, 0, 0}, {"5.x.3", 5, 0, 3}, {"", 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ScopedEnv os("LUMENO_OS_VERSION", c.text);
        const OsVersionInfo info = CTelephony::ReadOsVersion();
        EXPECT_EQ(info.oemInfo, u"Maker Phone");
        EXPECT_EQ(info.platformType, u"PocketPC");
        EXPECT_EQ(info.major, c.major);
        EXPECT_EQ(info.minor, c.minor);
        EXPECT_EQ(info.build, c.build);
    }
}

TEST_F(TelephonyTest, UniqueIdIsSha1OverMachineApplicationAndVersion)
{
    const std::array<std::uint8_t, 16> application = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::array<std::uint8_t, 20> id{};
    ASSERT_TRUE(CTelephony::DeviceUniqueId(application, 1, id));

    CSha1 reference;
    reference.Update("0123456789abcdef0123456789abcdef");
    reference.Update(application.data(), application.size());
    reference.Update(std::string_view("\x01\x00\x00\x00", 4));
    EXPECT_EQ(id, reference.Final());

    std::array<std::uint8_t, 20> again{};
    ASSERT_TRUE(CTelephony::DeviceUniqueId(application, 1, again));
    EXPECT_EQ(id, again);
    std::array<std::uint8_t, 20> otherVersion{};
    ASSERT_TRUE(CTelephony::DeviceUniqueId(application, 2, otherVersion));
    EXPECT_NE(id, otherVersion);
    std::array<std::uint8_t, 16> otherApplication = application;
    otherApplication[15] = 0;
    std::array<std::uint8_t, 20> otherId{};
    ASSERT_TRUE(CTelephony::DeviceUniqueId(otherApplication, 1, otherId));
    EXPECT_NE(id, otherId);
}

TEST_F(TelephonyTest, UniqueIdRefusesShortApplicationValues)
{
    const std::array<std::uint8_t, 7> tooShort = {1, 2, 3, 4, 5, 6, 7};
    std::array<std::uint8_t, 20> id{};
    id.fill(0xAA);
    EXPECT_FALSE(CTelephony::DeviceUniqueId(tooShort, 1, id));
    EXPECT_EQ(id, (std::array<std::uint8_t, 20>{}));
}

TEST_F(TelephonyTest, UniqueIdWithoutConfiguredMachineIdIsStable)
{
    ScopedEnv machine("LUMENO_MACHINE_ID", std::nullopt);
    const std::array<std::uint8_t, 8> application = {8, 7, 6, 5, 4, 3, 2, 1};
    std::array<std::uint8_t, 20> first{};
    std::array<std::uint8_t, 20> second{};
    ASSERT_TRUE(CTelephony::DeviceUniqueId(application, 1, first));
    ASSERT_TRUE(CTelephony::DeviceUniqueId(application, 1, second));
    EXPECT_EQ(first, second);
}

} // namespace
