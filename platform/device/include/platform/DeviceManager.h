#pragma once
// The handset's device manager as the other programs see it: find a loaded device, unload it, load a
// registered driver. The default implementation asks the user's running device-manager host
// (lumeno-devmgr) over its control socket; the package scripts install one that acts on the host's
// service for every user, and tests install a fake. Results say only whether the host did it.

#include <filesystem>
#include <string>
#include <string_view>

class CDeviceManager {
public:
    virtual ~CDeviceManager() = default;

    // Whether device `deviceName` ("CIR0:") is loaded from the driver file `driverFile` (compared by
    // file name without folder and extension, in any letter case: "\windows\OrvaneCir.dll" is the
    // driver OrvaneCir).
    virtual bool IsLoaded(std::u16string_view deviceName, std::u16string_view driverFile) = 0;
    // Unloads the device (its Deinit has returned when this returns true).
    virtual bool Unload(std::u16string_view deviceName) = 0;
    // Loads the driver registered under "Drivers\BuiltIn\<registrationKey>".
    virtual bool LoadRegistered(std::u16string_view registrationKey) = 0;

    static CDeviceManager& Get();
    static void Install(CDeviceManager* manager); // nullptr: the host's control socket again

    // Where the host of this device listens: "devmgr.socket" in the device data folder.
    static std::filesystem::path ControlSocketPath();
};
