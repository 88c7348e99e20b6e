// The server connection (ConnectServer, DisconnectServer) and the request executor: one request to
// the server and everything its answer may ask of the client before the flow sees it (server dialogs,
// a new user id, an error report).

#include "service/TesselService.h"

#include "ServiceLog.h"
#include "service/CReg_Api.h"
#include "service/ServerTransport.h"
#include "utils/Utf.h"

int TesselService::ConnectServer()
{
    if (!m_transport)
        m_transport = std::make_unique<ServerTransport>();
    if (!m_transport->Open(u"PocketPC", m_settingsStore->Get(&_SETTINGS_DEF::URL))) {
        SERVICE_LOG_FAILURE(this);
        return 0;
    }
    return 1;
}

void TesselService::DisconnectServer()
{
    if (m_transport)
        m_transport->Close();
}

RETURNED_RES TesselService::ExecuteRequest(std::u16string_view verb)
{
    return ExecuteRequest(verb, std::span<const std::uint8_t>());
}

RETURNED_RES TesselService::ExecuteRequest(std::u16string_view verb, std::u16string_view text)
{
    const std::string utf8 = Utf16ToUtf8(text);
    return ExecuteRequest(verb, std::span(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()));
}

RETURNED_RES TesselService::ExecuteRequest(std::u16string_view verb, std::span<const std::uint8_t> bytes)
{
    CStringBodySource source(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    HttpTransfer transfer;
    if (!bytes.empty())
        transfer.body = &source;
    return ExecuteRequest(verb, transfer);
}

RETURNED_RES TesselService::ExecuteRequest(std::u16string_view verb, HttpTransfer& transfer,
                                           std::u16string_view handledCode)
{
    if (!m_transport)
        m_transport = std::make_unique<ServerTransport>();
    const long status = m_transport->SendRequest(verb, transfer);
    if (status != kHttpOk) {
        if (status != 0)
            LogLine("server answered " + std::to_string(status));
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    return FollowResponse(handledCode);
}

RETURNED_RES TesselService::FollowResponse(std::u16string_view handledCode)
{
    std::u16string value;
    while (m_transport->QueryHeader(u"QX-GenericDialog: ", value)) {
        if (const std::optional<RETURNED_RES> ended = RunDialogRound())
            return *ended;
    }
    if (m_transport->QueryHeader(u"QX-UserID: ", value))
        m_settingsStore->Set(&_SETTINGS_DEF::UserId, value);
    if (!m_transport->QueryHeader(u"QX-ErrorCode: ", value) || (!handledCode.empty() && value == handledCode))
        return RES_OK;
    return ReportServerError();
}
