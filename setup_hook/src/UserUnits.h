#pragma once
// The device manager and the shell as the package scripts see them (run by root): the device manager
// of each user is the user's lumeno-devmgr.service. Loading the trigger enables that unit for every
// user and starts it for the users logged in now; unloading stops it in every running user manager.
// The program is never started as root: the trigger starts it for each user when a Sync is due.
// Failures (no systemd, as in a build root) are ignored, as every step but the folder check ignores them.

#include "platform/DeviceManager.h"
#include "platform/Shell.h"

class CUserUnitsDeviceManager final : public CDeviceManager {
public:
    bool IsLoaded(std::u16string_view deviceName, std::u16string_view driverFile) override;
    bool Unload(std::u16string_view deviceName) override;
    bool LoadRegistered(std::u16string_view registrationKey) override;
    // The package's removal: the unit is no longer started for anyone.
    bool DisableForEveryUser();
};

class CNoProgramShell final : public CShell {
public:
    bool Execute(std::u16string_view file, std::u16string_view parameters) override;
    bool OpenUrl(std::u16string_view url) override;
    bool OpenFile(std::u16string_view path) override;
};
