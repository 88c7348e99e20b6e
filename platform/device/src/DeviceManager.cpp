#include "platform/DeviceManager.h"

#include "platform/DevicePaths.h"
#include "platform/LocalSocket.h"
#include "utils/Utf.h"

#include <atomic>
#include <optional>

namespace {

// Unloading waits for the driver's thread, which ends within about a second.
constexpr std::uint32_t kReplyMs = 10000;

// Sends "<command> <argument>" to the host; the reply's first line is "ok ..." when it was done.
std::optional<std::string> Ask(std::string_view command, std::u16string_view argument)
{
    std::optional<std::string> reply =
        LocalRequest(CDeviceManager::ControlSocketPath(), std::string(command) + " " + Utf16ToUtf8(argument), kReplyMs);
    if (!reply || reply->rfind("ok", 0) != 0)
        return std::nullopt;
    return reply;
}

class CHostDeviceManager final : public CDeviceManager {
public:
    bool IsLoaded(std::u16string_view deviceName, std::u16string_view driverFile) override
    {
        return Ask("find", std::u16string(deviceName) + u" " + std::u16string(driverFile)).has_value();
    }
    bool Unload(std::u16string_view deviceName) override { return Ask("unload", deviceName).has_value(); }
    bool LoadRegistered(std::u16string_view registrationKey) override
    {
        return Ask("load", registrationKey).has_value();
    }
};

CHostDeviceManager s_host;
std::atomic<CDeviceManager*> s_installed{nullptr};

} // namespace

CDeviceManager& CDeviceManager::Get()
{
    CDeviceManager* manager = s_installed.load();
    return manager ? *manager : s_host;
}

void CDeviceManager::Install(CDeviceManager* manager)
{
    s_installed.store(manager);
}

std::filesystem::path CDeviceManager::ControlSocketPath()
{
    return CDevicePaths::DataFolder() / "devmgr.socket";
}
