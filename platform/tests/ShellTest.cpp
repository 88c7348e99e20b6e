#include "platform/Shell.h"

#include "platform/DevicePaths.h"

#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

void WriteScript(const fs::path& path, const std::string& body)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
}

// The started program runs on its own; wait (boundedly) for the file it writes.
std::string WaitForFile(const fs::path& path)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream file(path);
        std::string content((std::istreambuf_iterator<char>(file)), {});
        if (!content.empty() && content.back() == '\n')
            return content;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

class ShellTest : public ::testing::Test {
protected:
    TempDir m_root;
    ScopedEnv m_device{"LUMENO_DEVICE_ROOT", m_root.Path().string()};
};

TEST_F(ShellTest, ExecuteStartsADeviceProgramWithItsParameters)
{
    const fs::path marker = m_root.Path() / "marker.txt";
    WriteScript(CDevicePaths::ToHost(u"\\Lumeno\\tool.sh"), "printf '%s|' \"$@\" > '" + marker.string() + ".tmp'; "
                                                                 "echo >> '" + marker.string() + ".tmp'; mv '" +
                                                                 marker.string() + ".tmp' '" + marker.string() + "'");
    EXPECT_TRUE(CShell::Get().Execute(u"\\Lumeno\\tool.sh", u" CIR  two\tthree "));
    EXPECT_EQ(WaitForFile(marker), "CIR|two|three|\n");
}

TEST_F(ShellTest, ExecuteOfAMissingProgramFails)
{
    EXPECT_FALSE(CShell::Get().Execute(u"\\Lumeno\\missing.exe", u""));
    EXPECT_FALSE(CShell::Get().Execute(u"", u""));
}

// The handset program's file starts what is installed: a window program in a graphical session,
// else the terminal client's scheduled check; a real file at that device path runs itself.
TEST_F(ShellTest, HandsetProgramMapsToTheInstalledFrontEnd)
{
    const fs::path withWindow = m_root.Path() / "with-window";
    const fs::path terminalOnly = m_root.Path() / "terminal-only";
    WriteScript(withWindow / "lumeno", "");
    WriteScript(withWindow / "lumeno-cli", "");
    WriteScript(terminalOnly / "lumeno-cli", "");
    using Command = std::vector<std::string>;
    const struct {
        const char* name;
        std::u16string_view file;
        fs::path folder;
        bool graphical;
        Command command;
    } cases[] = {
        {"desktop", u"\\Lumeno\\Lumeno.exe", withWindow, true, {(withWindow / "lumeno").string(), "CIR"}},
        {"no desktop", u"\\Lumeno\\Lumeno.exe", withWindow, false,
         {(withWindow / "lumeno-cli").string(), "CIR", "scheduled"}},
        {"desktop without the window program", u"\\lumeno\\LUMENO", terminalOnly, true,
         {(terminalOnly / "lumeno-cli").string(), "CIR", "scheduled"}},
        {"nothing installed beside", u"\\Lumeno\\Lumeno.exe", m_root.Path() / "none", false, {"lumeno-cli", "CIR", "scheduled"}},
        {"another program", u"\\Lumeno\\tool.sh", withWindow, true, {}},
        {"another folder", u"\\Windows\\Lumeno.exe", withWindow, true, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HandsetProgramCommand(c.file, {"CIR"}, c.folder, c.graphical), c.command) << c.name;

    WriteScript(CDevicePaths::ToHost(u"\\Lumeno\\Lumeno.exe"), "");
    EXPECT_EQ(HandsetProgramCommand(u"\\Lumeno\\Lumeno.exe", {}, withWindow, true),
              Command{(m_root.Path() / "Lumeno" / "Lumeno.exe").string()});
}

TEST_F(ShellTest, OpenUrlHandsOnlyWebAddressesToTheOpener)
{
    const fs::path bin = m_root.Path() / "bin";
    const fs::path marker = m_root.Path() / "opened.txt";
    WriteScript(bin / "xdg-open", "printf '%s|' \"$@\" > '" + marker.string() + ".tmp'; echo >> '" +
                                      marker.string() + ".tmp'; mv '" + marker.string() + ".tmp' '" +
                                      marker.string() + "'");
    const char* path = std::getenv("PATH");
    ScopedEnv searchPath("PATH", bin.string() + ":" + (path ? path : "/usr/bin:/bin"));

    const std::u16string refused[] = {u"file:///etc/passwd", u"javascript:alert(1)", u"-h",
                                      u"http://host/a b", u"", u"ftp://host/"};
    for (const std::u16string& url : refused)
        EXPECT_FALSE(CShell::Get().OpenUrl(url));

    EXPECT_TRUE(CShell::Get().OpenUrl(u"HTTPS://example.com/page?a=1&b=2;c"));
    EXPECT_EQ(WaitForFile(marker), "HTTPS://example.com/page?a=1&b=2;c|\n");
}

} // namespace
