// Identification: a handset without keys asks the server for its user key and device key. The device
// key may come in the answer or, a little later, by a "Key" push.

#include "service/TesselService.h"

#include "PushEvents.h"
#include "ServiceLog.h"
#include "service/BrandingTexts.h"
#include "service/CReg_Api.h"
#include "service/ServerTransport.h"

namespace {

// The wait's progress counter grows by 2 a round up to this: 80 rounds, 40 seconds.
constexpr std::int32_t kKeyWaitEnd = 160;
constexpr std::int32_t kKeyWaitStep = 2;

} // namespace

RETURNED_RES TesselService::IdentifyDevice(HWND window, int& alreadyIdentified)
{
    alreadyIdentified = 0;
    if (m_settingsStore->HasKeys()) {
        alreadyIdentified = 1;
        return RES_OK;
    }
    // A server dialog may ask for the user id first; the request then goes out again with it.
    RETURNED_RES result = RES_SETTINGS_REQUIRED;
    while (result == RES_SETTINGS_REQUIRED) {
        ReportProgress(window, kTextIdentifying, 0);
        PrepareHTTPHeader(u"IdentifyDevice");
        result = ExecuteRequest(u"GET");
    }
    if (result != RES_OK) {
        SERVICE_LOG_FAILURE(this);
        return result;
    }
    ReportProgress(window, kTextIdentifying, 0);
    std::u16string value;
    if (!m_transport->QueryHeader(u"QX-Ukey: ", value)) {
        LogLine("identification: the answer carries no QX-Ukey");
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    m_settingsStore->Set(&_SETTINGS_DEF::Ukey, value);
    ReportProgress(window, kTextIdentifying, 10);
    if (m_transport->QueryHeader(u"QX-Key: ", value)) {
        m_settingsStore->Set(&_SETTINGS_DEF::QX_key, value);
        m_settingsStore->SaveSettings();
        return RES_OK;
    }
    return WaitForDeviceKey(window);
}

RETURNED_RES TesselService::WaitForDeviceKey(HWND window)
{
    const std::shared_ptr<CEvent> keyArrived = OpenPushEvent(kIdentifyEvent);
    for (std::int32_t counter = 0; counter < kKeyWaitEnd; counter += kKeyWaitStep) {
        ReportProgress(window, kTextWaitingForServer, counter);
        const bool timedOut = keyArrived->Wait(kPushWaitRoundMs) == WaitResult::TimedOut;
        // The push handler stores the key before it sets the event, so the record tells. Its save
        // covers the user key only when the push came after the answer, so save here as well.
        if (m_settingsStore->HasKeys()) {
            m_settingsStore->SaveSettings();
            return RES_OK;
        }
        if (!timedOut)
            break;
        if (IsStopped())
            return RES_OK;
    }
    LogLine("identification: no device key came");
    m_settingsStore->SaveSettings();
    return RES_STOPPED;
}
