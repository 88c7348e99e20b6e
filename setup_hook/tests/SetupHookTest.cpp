#include "setup_hook/SetupHook.h"

#include "platform/DeviceManager.h"
#include "platform/DevicePaths.h"
#include "platform/Registry.h"
#include "testing/RecordingShell.h"
#include "testing/ScriptedUiPort.h"
#include "testing/TempDir.h"
#include "utils/Utf.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// A device manager that writes down what it was asked.
class CRecordingDeviceManager final : public CDeviceManager {
public:
    bool loaded = false;
    std::vector<std::u16string> calls;

    bool IsLoaded(std::u16string_view name, std::u16string_view file) override
    {
        calls.push_back(u"IsLoaded " + std::u16string(name) + u" " + std::u16string(file));
        return loaded;
    }
    bool Unload(std::u16string_view name) override
    {
        calls.push_back(u"Unload " + std::u16string(name));
        return true;
    }
    bool LoadRegistered(std::u16string_view key) override
    {
        calls.push_back(u"LoadRegistered " + std::u16string(key));
        return true;
    }
};

using Calls = std::vector<std::u16string>;
const std::u16string kIsLoaded = u"IsLoaded CIR0: \\windows\\OrvaneCir.dll";
const std::u16string kUnload = u"Unload CIR0:";

class SetupHookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CRegistry::UseStore({});
        fs::create_directories(m_root.Path() / "media" / "Storage Card");
        CDeviceManager::Install(&m_manager);
        CShell::Install(&m_shell);
        CUiPort::Install(&m_ui);
    }
    void TearDown() override
    {
        CUiPort::Install(nullptr);
        CShell::Install(nullptr);
        CDeviceManager::Install(nullptr);
        CRegistry::UseStore({});
    }

    TempDir m_root;
    ScopedEnv m_device{"LUMENO_DEVICE_ROOT", m_root.Path().string()};
    CRecordingDeviceManager m_manager;
    CRecordingShell m_shell;
    CScriptedUiPort m_ui;
};

// Only "\Lumeno" in main memory, spelt so: other folders, letter cases and cards are refused with the
// message, as the installer's host folders map to device paths.
TEST_F(SetupHookTest, InstallInitAcceptsOnlyTheProgramFolder)
{
    const struct {
        const char* name;
        std::optional<fs::path> folder;
        bool firstCall;
        bool loaded;
        int result;
        bool message;
        Calls calls;
    } cases[] = {
        {"program folder, first call, trigger loaded", m_root.Path() / "Lumeno", true, true, kInstallContinue, false,
         {kIsLoaded, kUnload}},
        {"program folder, trigger not loaded", m_root.Path() / "Lumeno", true, false, kInstallContinue, false, {kIsLoaded}},
        {"program folder, second call", m_root.Path() / "Lumeno", false, true, kInstallContinue, false, {}},
        {"other letter case", m_root.Path() / "lumeno", true, true, kInstallCancel, true, {}},
        {"storage card", m_root.Path() / "media" / "Storage Card" / "Lumeno", true, true, kInstallCancel, true, {}},
        {"another folder", m_root.Path() / "Program Files" / "Lumeno", true, true, kInstallCancel, true, {}},
        {"outside the device", fs::path("/usr/bin"), true, true, kInstallCancel, true, {}},
        {"no folder", std::nullopt, true, true, kInstallCancel, false, {}},
    };
    for (const auto& c : cases) {
        m_manager.calls.clear();
        m_manager.loaded = c.loaded;
        const std::size_t shownBefore = m_ui.ShownBoxes().size();
        const std::u16string device = c.folder ? CDevicePaths::ToDevice(*c.folder) : std::u16string();
        EXPECT_EQ(Install_Init(7, c.firstCall, 0, c.folder ? device.c_str() : nullptr), c.result) << c.name;
        EXPECT_EQ(m_manager.calls, c.calls) << c.name;
        const std::vector<CScriptedUiPort::Shown> shown = m_ui.ShownBoxes();
        ASSERT_EQ(shown.size(), shownBefore + (c.message ? 1 : 0)) << c.name;
        if (c.message) {
            EXPECT_EQ(shown.back().text, kWrongFolderText);
            EXPECT_EQ(shown.back().caption, kWrongFolderCaption);
            EXPECT_EQ(shown.back().owner, 7u);
            EXPECT_EQ(shown.back().type, static_cast<unsigned>(MB_OK));
        }
    }
}

TEST_F(SetupHookTest, InstallExitLoadsTheTriggerAndStartsTheProgram)
{
    EXPECT_EQ(Install_Exit(0, nullptr, 0, 0, 0, 0, 0), kInstallUninstallAgain);
    EXPECT_TRUE(m_manager.calls.empty());
    EXPECT_TRUE(m_shell.StartedPrograms().empty());

    EXPECT_EQ(Install_Exit(0, kInstallFolder, 1, 2, 3, 4, 5), kInstallDone);
    EXPECT_EQ(m_manager.calls, Calls{u"LoadRegistered ORVANE_CIR"});
    ASSERT_EQ(m_shell.StartedPrograms().size(), 1u);
    EXPECT_EQ(m_shell.StartedPrograms()[0].file, u"\\Lumeno\\Lumeno");
    EXPECT_EQ(m_shell.StartedPrograms()[0].parameters, u"");
}

TEST_F(SetupHookTest, UninstallDeletesTheUsersSettingsAndStopsTheTrigger)
{
    for (const bool loaded : {true, false}) {
        m_manager.calls.clear();
        m_manager.loaded = loaded;
        CRegKey key;
        ASSERT_EQ(CRegistry::CreateKey(RegRoot::CurrentUser, u"Software\\Orvane\\Summary", key), RegStatus::Ok);
        ASSERT_EQ(CRegistry::CreateKey(RegRoot::CurrentUser, u"Drivers\\BuiltIn\\ORVANE_CIR", key), RegStatus::Ok);

        EXPECT_EQ(Uninstall_Init(0, kInstallFolder), 0);
        EXPECT_EQ(CRegistry::OpenKey(RegRoot::CurrentUser, u"Software\\Orvane", key), RegStatus::NotFound);
        EXPECT_EQ(CRegistry::OpenKey(RegRoot::CurrentUser, u"Drivers\\BuiltIn\\ORVANE_CIR", key), RegStatus::Ok);
        EXPECT_EQ(m_manager.calls, (loaded ? Calls{kIsLoaded, kUnload} : Calls{kIsLoaded}));
        EXPECT_EQ(Uninstall_Exit(0), 0);
    }
}

} // namespace
