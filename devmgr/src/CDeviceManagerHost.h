#pragma once
// The device-manager host: loads stream-driver libraries, starts each device with its Init, names it
// ("CIR0:") and stops it with its Deinit before unloading the library.
//
// Owned and called by one thread (lumeno-devmgr's main thread). Failures are returned with a reason
// and leave nothing loaded; the caller logs them and goes on with the other drivers.

#include "DriverRegistration.h"
#include "platform/StreamDriver.h"

#include <filesystem>
#include <string>
#include <vector>

struct LoadedDevice {
    std::u16string name;   // "CIR0:"
    DriverRegistration registration;
    void* library = nullptr;
    StreamDeinitFunction deinit = nullptr;
    DriverContext context = 0;
};

class CDeviceManagerHost {
public:
    // Drivers registered by name are looked for in `driverFolder`; what the host does and every
    // failure go to `log`.
    CDeviceManagerHost(std::filesystem::path driverFolder, HostLog log);
    ~CDeviceManagerHost(); // unloads every device, the last loaded first
    CDeviceManagerHost(const CDeviceManagerHost&) = delete;
    CDeviceManagerHost& operator=(const CDeviceManagerHost&) = delete;

    // Loads the driver and starts its device. Empty, with the reason in `error`, when the library
    // does not load, lacks <Prefix>_Init or <Prefix>_Deinit, its Init returns 0, or the registration
    // or the device name is loaded already.
    std::u16string Load(const DriverRegistration& registration, std::string& error);
    // Deinit, then the library is unloaded. False when no such device is loaded.
    bool Unload(std::u16string_view deviceName);
    // Loads every registration not loaded yet; each failure is logged and skipped. Returns how many
    // devices were started.
    int LoadRegistered();
    void UnloadAll();

    // The loaded device of that name (any letter case), or null.
    const LoadedDevice* Find(std::u16string_view deviceName) const;
    const std::vector<LoadedDevice>& Devices() const { return m_devices; }
    void Log(std::string_view line) const { m_log(line); }

private:
    std::filesystem::path m_driverFolder;
    HostLog m_log;
    std::vector<LoadedDevice> m_devices;
};
