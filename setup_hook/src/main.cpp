// lumeno-setup: runs one step of the setup hook, as the package scripts (with --system, as root) or a
// user (for the user's own device) call it. The installation folder is a host folder, checked as the
// device path it maps to.

#include "UserUnits.h"
#include "platform/DevicePaths.h"
#include "platform/LogSink.h"
#include "setup_hook/SetupHook.h"
#include "utils/Utf.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

namespace {

int Usage(FILE* out, int status)
{
    std::fputs("Usage: lumeno-setup [--system] STEP [--folder DIR] [--again]\n"
               "STEP is install-init, install-exit, uninstall-init or uninstall-exit.\n"
               "  --system   as the package scripts run it (root): the trigger is each user's\n"
               "             lumeno-devmgr.service, and the program is not started\n"
               "  --folder   the installation folder (default: the program folder of the device)\n"
               "  --again    install-init only: not the first call\n"
               "uninstall-init deletes the user's Lumeno settings, keys and summary; with --system it\n"
               "disables the trigger's unit for every user instead.\n"
               "Exit status: the step's result (0 continue or done, 1 cancel), 2 bad command line.\n",
               out);
    return status;
}

// The package's removal: root cannot reach each user's registry safely, so it only stops the trigger
// (as the first Install_Init does) and disables its unit for every user; each user deletes their own
// settings with "lumeno-cli forget".
int UninstallForEveryUser(CUserUnitsDeviceManager& userUnits, const char16_t* installFolder)
{
    const int result = Install_Init(0, 1, 1, installFolder);
    userUnits.DisableForEveryUser();
    return result;
}

// What the hook reports goes to standard error, where the package scripts print it: without a user
// to answer, its message boxes (the folder check's among them) arrive here as log lines.
void WriteLine(std::string_view line)
{
    std::fprintf(stderr, "lumeno-setup: %.*s\n", static_cast<int>(line.size()), line.data());
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    bool system = false;
    bool again = false;
    std::string step;
    std::optional<std::filesystem::path> folder;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string& word = arguments[at];
        if (word == "-h" || word == "--help")
            return Usage(stdout, 0);
        if (word == "--system")
            system = true;
        else if (word == "--again")
            again = true;
        else if (word == "--folder" && at + 1 < arguments.size())
            folder = arguments[++at];
        else if (step.empty() && word.rfind("-", 0) != 0)
            step = word;
        else
            return Usage(stderr, 2);
    }

    CLogSink::Install(WriteLine);
    CUserUnitsDeviceManager userUnits;
    CNoProgramShell noProgram;
    if (system) {
        CDeviceManager::Install(&userUnits);
        CShell::Install(&noProgram);
    }
    const std::u16string device = CDevicePaths::ToDevice(folder.value_or(CDevicePaths::ProgramFolder()));
    const char16_t* installFolder = device.c_str();
    int result = 2;
    if (step == "install-init")
        result = Install_Init(0, again ? 0 : 1, 0, installFolder);
    else if (step == "install-exit")
        result = Install_Exit(0, installFolder, 0, 0, 0, 0, 0);
    else if (step == "uninstall-init" && system)
        result = UninstallForEveryUser(userUnits, installFolder);
    else if (step == "uninstall-init")
        result = Uninstall_Init(0, installFolder);
    else if (step == "uninstall-exit")
        result = Uninstall_Exit(0);
    else
        return Usage(stderr, 2);
    CShell::Install(nullptr);
    CDeviceManager::Install(nullptr);
    CLogSink::Install(nullptr);
    return result;
}
