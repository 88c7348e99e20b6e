#include "platform/ConnectionManager.h"

#include "platform/DeviceConfig.h"

#include <mutex>
#include <set>
#include <string>

namespace {

constexpr std::uint32_t kInternetNetwork = 1;

enum class Failure : std::uint8_t { None, Establish, Status };

Failure PlayedFailure()
{
    const std::string value = CDeviceConfig::GetOr("connection-fails", "");
    if (value.empty() || value == "0")
        return Failure::None;
    return value == "status" ? Failure::Status : Failure::Establish;
}

std::mutex s_mutex;
std::set<HCONNECTION> s_open;
HCONNECTION s_lastHandle = 0;

} // namespace

std::optional<std::uint32_t> CConnectionManager::MapUrl(std::u16string_view)
{
    if (PlayedFailure() == Failure::None)
        return std::nullopt;
    return kInternetNetwork;
}

std::optional<HCONNECTION> CConnectionManager::Establish(std::uint32_t)
{
    if (PlayedFailure() == Failure::Establish)
        return std::nullopt;
    std::lock_guard lock(s_mutex);
    const HCONNECTION connection = ++s_lastHandle;
    s_open.insert(connection);
    return connection;
}

std::optional<std::uint32_t> CConnectionManager::Status(HCONNECTION connection)
{
    {
        std::lock_guard lock(s_mutex);
        if (!s_open.contains(connection))
            return std::nullopt;
    }
    return PlayedFailure() == Failure::Status ? CONNMGR_STATUS_CONNECTIONFAILED : CONNMGR_STATUS_CONNECTED;
}

void CConnectionManager::Release(HCONNECTION connection)
{
    std::lock_guard lock(s_mutex);
    s_open.erase(connection);
}
