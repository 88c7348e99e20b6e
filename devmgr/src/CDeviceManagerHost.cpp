#include "CDeviceManagerHost.h"

#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <dlfcn.h>

#include <algorithm>

namespace {

template<typename Function>
Function EntryPoint(void* library, const DriverRegistration& registration, const char* name)
{
    const std::string symbol = Utf16ToUtf8(registration.prefix) + "_" + name;
    return reinterpret_cast<Function>(::dlsym(library, symbol.c_str()));
}

} // namespace

CDeviceManagerHost::CDeviceManagerHost(std::filesystem::path driverFolder, HostLog log)
    : m_driverFolder(std::move(driverFolder)), m_log(std::move(log))
{
}

CDeviceManagerHost::~CDeviceManagerHost()
{
    UnloadAll();
}

std::u16string CDeviceManagerHost::Load(const DriverRegistration& registration, std::string& error)
{
    const std::u16string name = registration.DeviceName();
    for (const LoadedDevice& device : m_devices) {
        if (EqualsFolded(device.registration.key, registration.key) || EqualsFolded(device.name, name)) {
            error = "\"" + Utf16ToUtf8(registration.key) + "\": " + Utf16ToUtf8(device.name) + " is loaded already";
            return {};
        }
    }
    const std::filesystem::path file = DriverLibraryPath(registration.library, m_driverFolder);
    void* library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = ::dlerror();
        error = "\"" + Utf16ToUtf8(registration.key) + "\": " + (reason ? reason : file.string() + " does not load");
        return {};
    }
    const auto init = EntryPoint<StreamInitFunction>(library, registration, "Init");
    const auto deinit = EntryPoint<StreamDeinitFunction>(library, registration, "Deinit");
    const DriverContext context = init && deinit ? init(0) : 0;
    if (context == 0) {
        error = "\"" + Utf16ToUtf8(registration.key) + "\": " + file.string() +
                (init && deinit ? " failed to start (Init returned 0)" : " lacks its Init or Deinit entry point");
        ::dlclose(library);
        return {};
    }
    m_devices.push_back({name, registration, library, deinit, context});
    return name;
}

bool CDeviceManagerHost::Unload(std::u16string_view deviceName)
{
    const auto device = std::find_if(m_devices.begin(), m_devices.end(),
                                     [&](const LoadedDevice& loaded) { return EqualsFolded(loaded.name, deviceName); });
    if (device == m_devices.end())
        return false;
    device->deinit(device->context);
    ::dlclose(device->library);
    m_devices.erase(device);
    return true;
}

int CDeviceManagerHost::LoadRegistered()
{
    int started = 0;
    for (const DriverRegistration& registration : ReadDriverRegistrations(m_log)) {
        const bool loaded = std::any_of(m_devices.begin(), m_devices.end(), [&](const LoadedDevice& device) {
            return EqualsFolded(device.registration.key, registration.key);
        });
        if (loaded)
            continue;
        std::string error;
        const std::u16string name = Load(registration, error);
        if (name.empty()) {
            m_log(error + "; skipped");
            continue;
        }
        m_log(Utf16ToUtf8(name) + " started (" + Utf16ToUtf8(registration.key) + ")");
        ++started;
    }
    return started;
}

void CDeviceManagerHost::UnloadAll()
{
    while (!m_devices.empty())
        Unload(std::u16string(m_devices.back().name));
}

const LoadedDevice* CDeviceManagerHost::Find(std::u16string_view deviceName) const
{
    for (const LoadedDevice& device : m_devices) {
        if (EqualsFolded(device.name, deviceName))
            return &device;
    }
    return nullptr;
}
