// The data connection an operation needs before it reaches the server, through the connection
// manager.

#include "service/TesselService.h"

#include "ServiceLog.h"
#include "service/CReg_Api.h"

#include <cstdio>

namespace {

constexpr HCONNECTION kConnectionFailed = -1;

std::string Hex(std::uintmax_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%jx", value);
    return text;
}

} // namespace

HCONNECTION TesselService::OpenGPRSConnection()
{
    const std::optional<std::uint32_t> network =
        CConnectionManager::MapUrl(m_settingsStore->Get(&_SETTINGS_DEF::URL));
    if (!network)
        return 0;
    const std::optional<HCONNECTION> connection = CConnectionManager::Establish(*network);
    if (!connection) {
        LogLine("data connection: the connection manager could not make one");
        return kConnectionFailed;
    }
    const std::optional<std::uint32_t> status = CConnectionManager::Status(*connection);
    if (!status || (*status != CONNMGR_STATUS_CONNECTED && *status != CONNMGR_STATUS_CONNECTIONDISABLED)) {
        LogLine("GPRS status " + Hex(status.value_or(0)));
        // A connection that never came up is of no use to anyone: give it back.
        CConnectionManager::Release(*connection);
        return kConnectionFailed;
    }
    LogLine("ConnMgrConnectionStatus succeeded " + Hex(static_cast<std::uintmax_t>(*connection)));
    return *connection;
}

void TesselService::CloseGPRSConnection(HCONNECTION connection)
{
    if (connection != 0 && connection != kConnectionFailed)
        CConnectionManager::Release(connection);
}
