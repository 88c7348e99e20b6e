// PrepareHTTPHeader: the standard request header block, with the handset's identity read from the
// phone line on first use.

#include "service/TesselService.h"

#include "HandsetIdentity.h"
#include "ServiceLog.h"
#include "platform/SmsService.h"
#include "platform/Telephony.h"
#include "service/CReg_Api.h"
#include "service/ServerTransport.h"

namespace {

constexpr std::size_t kDeviceIdLength = 16;

} // namespace

bool TesselService::ReadHandsetIdentity()
{
    LineGeneralInfo line;
    if (!CTelephony::ReadLineGeneralInfo(line) || line.manufacturer.empty()) {
        LogLine(u"handset identity: the phone line names no manufacturer");
        return false;
    }
    std::u16string deviceId = line.serialNumber.substr(0, kDeviceIdLength);
    if (deviceId.empty())
        deviceId = FallbackDeviceId();
    if (deviceId.empty()) {
        LogLine(u"handset identity: no IMEI and no unique device id");
        return false;
    }
    m_deviceId = deviceId;
    m_manufacturer = line.manufacturer;
    m_imsi = line.subscriberNumber;
    return true;
}

int TesselService::PrepareHTTPHeader(std::u16string_view command)
{
    if (!m_transport)
        m_transport = std::make_unique<ServerTransport>();
    ServerTransport& transport = *m_transport;
    transport.ResetHeaders();
    if ((m_deviceId.empty() || m_manufacturer.empty()) && !ReadHandsetIdentity()) {
        SERVICE_LOG_FAILURE(this);
        return 0;
    }

    // The service centre comes from the device's configuration, read from disk: once per service.
    if (!m_smscAsked && !CSmsService::Get().GetServiceCentre(m_smsc))
        m_smsc.clear();
    m_smscAsked = true;
    if (!m_smsc.empty())
        transport.AddHeader(u"QX-SmscId: ", m_smsc);

    if (m_userAgent.empty())
        m_userAgent = BuildUserAgent(m_manufacturer, CTelephony::ReadOsVersion());
    transport.AddHeader(u"user-agent:", m_userAgent);
    transport.AddHeader(u"qx-useragent:", m_userAgent);

    if (m_appAgent.empty())
        m_appAgent = BuildApplicationAgent(ServiceLibraryVersion());
    transport.AddHeader(u"QX-Agent: ", m_appAgent);
    transport.AddHeader(u"accept-language: ", m_acceptLanguage);
    transport.AddHeader(u"QX-DeviceID: ", m_deviceId);
    if (!m_imsi.empty())
        transport.AddHeader(u"QX-IMSI: ", m_imsi);
    transport.AddHeader(u"QX-Command: ", command);

    // The push handler may store the user key and user id meanwhile.
    const std::u16string userKey = m_settingsStore->Get(&_SETTINGS_DEF::Ukey);
    const std::u16string userId = m_settingsStore->Get(&_SETTINGS_DEF::UserId);
    const std::u16string password = m_settingsStore->Get(&_SETTINGS_DEF::Password);
    if (!userKey.empty())
        transport.AddHeader(u"QX-Ukey: ", userKey);
    if (!userId.empty())
        transport.AddHeader(u"QX-UserID: ", userId);
    if (!password.empty())
        transport.AddHeader(u"QX-Password: ", password);
    return 1;
}
