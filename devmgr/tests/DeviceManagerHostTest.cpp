#include "CDeviceManagerHost.h"
#include "HostRequests.h"

#include "platform/DeviceManager.h"
#include "platform/LocalSocket.h"
#include "platform/Registry.h"
#include "testing/Eventually.h"
#include "testing/TempDir.h"
#include "utils/Utf.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>

extern char** environ;

namespace {

void Register(std::u16string_view key, std::u16string_view library, std::u16string_view prefix,
              std::optional<std::uint32_t> index, std::uint32_t order = 0)
{
    CRegKey registration;
    ASSERT_EQ(CRegistry::CreateKey(RegRoot::CurrentUser, u"Drivers\\BuiltIn\\" + std::u16string(key), registration),
              RegStatus::Ok);
    registration.SetString(u"Dll", library);
    registration.SetString(u"Prefix", prefix);
    if (index)
        registration.SetDword(u"Index", *index);
    registration.SetDword(u"Order", order);
}

std::u16string DriverCalls()
{
    CRegKey key;
    RegValue value;
    if (CRegistry::OpenKey(RegRoot::CurrentUser, u"Software\\DriverTest", key) != RegStatus::Ok ||
        key.QueryValue(u"Calls", value) != RegStatus::Ok)
        return {};
    return TextOf(value, 4096).value_or(u"");
}

class DeviceManagerHostTest : public ::testing::Test {
protected:
    void SetUp() override { CRegistry::UseStore({}); }
    void TearDown() override { CRegistry::UseStore({}); }

    TempDir m_root;
    ScopedEnv m_device{"LUMENO_DEVICE_ROOT", m_root.Path().string()};
    const std::u16string m_testDriver = Utf8ToUtf16(LUMENO_TEST_DRIVER);
    std::string m_log;
    const HostLog m_collect = [this](std::string_view line) { m_log.append(line).push_back('\n'); };
};

TEST_F(DeviceManagerHostTest, LoadsNamesFindsAndUnloadsADriverOnRequest)
{
    Register(u"TEST", m_testDriver, u"TST", 3);
    CDeviceManagerHost host(m_root.Path(), m_collect);
    struct Step {
        std::string request;
        std::string reply;
        std::u16string calls;
    };
    const Step steps[] = {
        {"load TEST", "ok TST3:", u"TST_Init;"},
        {"load TEST", "error \"TEST\": TST3: is loaded already", u"TST_Init;"},
        {"find tst3: \\windows\\devmgr_test_driver.dll", "ok", u"TST_Init;"},
        {"find TST3: \\windows\\OrvaneCir.dll", "error TST3: is not loaded from \\windows\\OrvaneCir.dll", u"TST_Init;"},
        {"list", "ok\nTST3: TEST " + std::string(LUMENO_TEST_DRIVER) + "\n", u"TST_Init;"},
        {"unload TST3:", "ok", u"TST_Init;TST_Deinit;"},
        {"unload TST3:", "error TST3: is not loaded", u"TST_Init;TST_Deinit;"},
        {"find TST3: devmgr_test_driver", "error TST3: is not loaded from devmgr_test_driver", u"TST_Init;TST_Deinit;"},
        {"load MISSING", "error no registration \"MISSING\"", u"TST_Init;TST_Deinit;"},
        {"reboot", "error unknown request \"reboot\"", u"TST_Init;TST_Deinit;"},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(AnswerHostRequest(host, step.request), step.reply) << step.request;
        EXPECT_EQ(DriverCalls(), step.calls) << step.request;
    }
}

TEST_F(DeviceManagerHostTest, DriversThatCannotStartAreLoggedAndSkipped)
{
    Register(u"A_GOOD", m_testDriver, u"TST", 0, 5);
    Register(u"B_INIT_FAILS", m_testDriver, u"BAD", 1);
    Register(u"C_NO_DEINIT", m_testDriver, u"NOD", 2);
    Register(u"D_NO_LIBRARY", u"/nonexistent/libNothing.so", u"NOP", 3);
    Register(u"E_BY_NAME_NOT_INSTALLED", u"\\windows\\Nothing.dll", u"NOP", 4);
    Register(u"F_BAD_PREFIX", m_testDriver, u"T1T", 5);
    Register(u"G_NO_INDEX", m_testDriver, u"TST", std::nullopt);
    Register(u"H_SAME_NAME", m_testDriver, u"TST", 0, 9);

    CDeviceManagerHost host(m_root.Path(), m_collect);
    EXPECT_EQ(host.LoadRegistered(), 1);
    ASSERT_EQ(host.Devices().size(), 1u);
    EXPECT_EQ(host.Devices()[0].name, u"TST0:");
    // BAD_Init ran and failed; NOD_Init never runs without a Deinit to stop it again.
    EXPECT_EQ(DriverCalls(), u"BAD_Init;TST_Init;");
    const std::string& log = m_log;
    for (const char* expected : {"\"B_INIT_FAILS\": ", "Init returned 0", "\"C_NO_DEINIT\": ", "lacks its Init or Deinit",
                                 "\"D_NO_LIBRARY\": ", "\"E_BY_NAME_NOT_INSTALLED\": ", "\"F_BAD_PREFIX\": \"Prefix\"",
                                 "\"G_NO_INDEX\": \"Index\"", "\"H_SAME_NAME\": TST0: is loaded already"})
        EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;

    host.UnloadAll();
    EXPECT_TRUE(host.Devices().empty());
    EXPECT_EQ(DriverCalls(), u"BAD_Init;TST_Init;TST_Deinit;");
}

TEST_F(DeviceManagerHostTest, DriverNamesAndFilesOfRegistrations)
{
    struct Case {
        std::u16string library;
        std::u16string name;
        std::filesystem::path file;
    };
    const std::filesystem::path folder = m_root.Path();
    for (const char* file : {"libVersioned.so.1", "libVersioned.so.2", "libPlain.so", "libPlain.so.1"})
        std::ofstream(folder / file) << "";
    const Case cases[] = {
        {u"\\windows\\OrvaneCir.dll", u"OrvaneCir", folder / "libOrvaneCir.so"},
        {u"OrvaneCir", u"OrvaneCir", folder / "libOrvaneCir.so"},
        {u"/usr/lib/lumeno/libOrvaneCir.so.1", u"OrvaneCir", "/usr/lib/lumeno/libOrvaneCir.so.1"},
        {u"Versioned.dll", u"Versioned", folder / "libVersioned.so.2"},
        {u"Plain", u"Plain", folder / "libPlain.so"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DriverName(c.library), c.name) << Utf16ToUtf8(c.library);
        EXPECT_EQ(DriverLibraryPath(c.library, folder), c.file) << Utf16ToUtf8(c.library);
    }
}

// The program as the user service runs it: it registers and starts the trigger, answers on its
// socket, and stops every device on SIGTERM.
TEST_F(DeviceManagerHostTest, ProgramStartsTheTriggerAnswersItsSocketAndStopsOnSigterm)
{
    const std::filesystem::path driverFolder = std::filesystem::path(LUMENO_TRIGGER_DRIVER).parent_path();
    std::vector<std::string> words = {LUMENO_DEVMGR, "--driver-dir", driverFolder.string()};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, LUMENO_DEVMGR, nullptr, nullptr, argv.data(), environ), 0);
    // A failed assertion must not leave the program running.
    struct Reaper {
        pid_t& pid;
        ~Reaper()
        {
            if (pid > 0 && ::kill(pid, SIGKILL) == 0)
                ::waitpid(pid, nullptr, 0);
        }
    } reaper{pid};

    const std::filesystem::path socket = CDeviceManager::ControlSocketPath();
    std::optional<std::string> list;
    EXPECT_TRUE(Eventually([&] { return (list = LocalRequest(socket, "list", 10000)).has_value(); }));
    EXPECT_EQ(list.value_or(""), "ok\nCIR0: ORVANE_CIR OrvaneCir\n");
    EXPECT_TRUE(CDeviceManager::Get().IsLoaded(u"CIR0:", u"\\windows\\OrvaneCir.dll"));
    EXPECT_TRUE(CDeviceManager::Get().Unload(u"CIR0:"));
    EXPECT_FALSE(CDeviceManager::Get().IsLoaded(u"CIR0:", u"\\windows\\OrvaneCir.dll"));
    EXPECT_TRUE(CDeviceManager::Get().LoadRegistered(u"ORVANE_CIR"));
    EXPECT_FALSE(CDeviceManager::Get().LoadRegistered(u"ORVANE_CIR"));

    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    pid = 0;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(std::filesystem::exists(socket));
    EXPECT_FALSE(CDeviceManager::Get().Unload(u"CIR0:"));
}

} // namespace
