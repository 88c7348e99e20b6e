#include "platform/DeviceConfig.h"

#include "platform/DevicePaths.h"

#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

namespace {

class DeviceConfigTest : public ::testing::Test {
protected:
    void Write(const std::string& content)
    {
        std::ofstream(CDevicePaths::DataFolder() / "device.conf") << content;
    }

    std::string Read()
    {
        std::ifstream file(CDevicePaths::DataFolder() / "device.conf");
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    TempDir m_root;
    ScopedEnv m_device{"LUMENO_DEVICE_ROOT", m_root.Path().string()};
    ScopedEnv m_smsc{"LUMENO_SMSC", std::nullopt};
    ScopedEnv m_gateway{"LUMENO_SMS_GATEWAY", std::nullopt};
};

TEST_F(DeviceConfigTest, ReadsKeysCommentsAndBlanks)
{
    Write("# the handset\n"
          "  smsc =  +4917012345  \n"
          "sms-gateway=http://127.0.0.1:9/sms#part\n"
          "   # manufacturer = commented out\n"
          "no equals sign here\n"
          "smsc = second line of a key is ignored\n"
          "empty =\n");
    EXPECT_EQ(CDeviceConfig::Get("smsc"), "+4917012345");
    EXPECT_EQ(CDeviceConfig::Get("sms-gateway"), "http://127.0.0.1:9/sms#part");
    EXPECT_EQ(CDeviceConfig::Get("manufacturer"), std::nullopt);
    EXPECT_EQ(CDeviceConfig::Get("empty"), "");
    EXPECT_EQ(CDeviceConfig::GetOr("missing", "fallback"), "fallback");
    EXPECT_EQ(CDeviceConfig::GetOr("empty", "fallback"), "");
}

TEST_F(DeviceConfigTest, EnvironmentOverridesTheFileEvenWhenEmpty)
{
    Write("smsc = from file\nsms-gateway = from file\n");
    ScopedEnv smsc("LUMENO_SMSC", "from environment");
    ScopedEnv gateway("LUMENO_SMS_GATEWAY", "");
    EXPECT_EQ(CDeviceConfig::Get("smsc"), "from environment");
    EXPECT_EQ(CDeviceConfig::Get("sms-gateway"), "");
    EXPECT_EQ(CDeviceConfig::EnvironmentName("sms-gateway"), "LUMENO_SMS_GATEWAY");
    EXPECT_EQ(CDeviceConfig::EnvironmentName("Push-Port2"), "LUMENO_PUSH_PORT2");
}

TEST_F(DeviceConfigTest, NoFileMeansNoValues)
{
    EXPECT_EQ(CDeviceConfig::Get("smsc"), std::nullopt);
}

TEST_F(DeviceConfigTest, SetReplacesOneKeyAndKeepsTheRest)
{
    Write("# comment\nsmsc = old\nother = 1\nsmsc = duplicate\n");
    ASSERT_TRUE(CDeviceConfig::Set("smsc", "new"));
    ASSERT_TRUE(CDeviceConfig::Set("added", "x = y"));
    EXPECT_EQ(Read(), "# comment\nsmsc = new\nother = 1\nadded = x = y\n");
    EXPECT_EQ(CDeviceConfig::Get("added"), "x = y");

    struct stat info {};
    ASSERT_EQ(::stat((CDevicePaths::DataFolder() / "device.conf").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(DeviceConfigTest, SetRefusesValuesThatWouldBecomeSeveralLines)
{
    Write("smsc = old\n");
    EXPECT_FALSE(CDeviceConfig::Set("smsc", "new\nmanufacturer = forged"));
    EXPECT_FALSE(CDeviceConfig::Set("bad=key", "x"));
    EXPECT_EQ(Read(), "smsc = old\n");
}

} // namespace
