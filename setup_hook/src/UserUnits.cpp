#include "UserUnits.h"

#include <pwd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr const char* kUnit = "lumeno-devmgr.service";

struct LoggedInUser {
    std::string name;
    std::string runtimeFolder;
};

// Users whose user manager runs now: the numeric folders of /run/user.
std::vector<LoggedInUser> LoggedInUsers()
{
    std::vector<LoggedInUser> users;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/run/user", error), end; !error && it != end; it.increment(error)) {
        const std::string folder = it->path().filename().string();
        if (folder.empty() || folder.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const struct passwd* entry = ::getpwuid(static_cast<uid_t>(std::stoul(folder)));
        if (entry && entry->pw_uid != 0)
            users.push_back({entry->pw_name, it->path().string()});
    }
    return users;
}

// `systemctl --user <action> lumeno-devmgr.service` as each logged-in user; true when it worked for all.
bool ForEachUserManager(const char* action)
{
    bool all = true;
    for (const LoggedInUser& user : LoggedInUsers()) {
        all = RunAndWait({"runuser", "-u", user.name, "--", "env", "XDG_RUNTIME_DIR=" + user.runtimeFolder, "systemctl",
                   "--user", action, kUnit}) &&
              all;
    }
    return all;
}

} // namespace

bool CUserUnitsDeviceManager::IsLoaded(std::u16string_view, std::u16string_view)
{
    // Whether any user runs it is not worth asking: stopping a stopped unit does nothing.
    return true;
}

bool CUserUnitsDeviceManager::Unload(std::u16string_view)
{
    return ForEachUserManager("stop");
}

bool CUserUnitsDeviceManager::LoadRegistered(std::u16string_view)
{
    const bool enabled = RunAndWait({"systemctl", "--global", "enable", kUnit});
    return ForEachUserManager("start") && enabled;
}

bool CUserUnitsDeviceManager::DisableForEveryUser()
{
    return RunAndWait({"systemctl", "--global", "disable", kUnit});
}

bool CNoProgramShell::Execute(std::u16string_view, std::u16string_view)
{
    std::fputs("lumeno-setup: Lumeno starts for each user when a scheduled Sync is due\n", stderr);
    return true;
}

bool CNoProgramShell::OpenUrl(std::u16string_view)
{
    return false;
}

bool CNoProgramShell::OpenFile(std::u16string_view)
{
    return false;
}
