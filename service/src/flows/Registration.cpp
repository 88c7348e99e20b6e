// Registration of the phone number: the server learns the handset ("InitDevice"), the handset sends
// it an SMS that proves the number, and the server answers with a push that brings the keys. Rounds
// repeat until the keys come or the server gives up on the SMS.

#include "service/TesselService.h"

#include "PushEvents.h"
#include "ServiceLog.h"
#include "platform/SmsService.h"
#include "platform/UiPort.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/CReg_Api.h"
#include "service/ServerTransport.h"
#include "utils/AsciiFold.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

// The retry count that tells the server no SMS can or will be sent.
constexpr std::int32_t kSmsGivenUp = 100;
constexpr std::uint32_t kDefaultWaitSeconds = 40;
constexpr std::size_t kMaxNumberChars = 256;

// "QX-IdentificationCirTimeout: " in milliseconds, as whole seconds; the default when it is not a
// decimal number.
std::uint32_t WaitSeconds(const std::optional<std::u16string>& milliseconds)
{
    if (!milliseconds)
        return kDefaultWaitSeconds;
    const std::string digits = Utf16ToUtf8(*milliseconds);
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        LogLine(u"registration: QX-IdentificationCirTimeout \"" + *milliseconds +
                u"\" is not a number of"
                u" milliseconds; waiting the usual time");
        return kDefaultWaitSeconds;
    }
    std::uint32_t value = 0;
    if (std::from_chars(digits.data(), digits.data() + digits.size(), value).ec != std::errc())
        value = std::numeric_limits<std::uint32_t>::max();
    return value / 1000;
}

} // namespace

RETURNED_RES TesselService::RetrieveSmsFlow(HWND window)
{
    for (;;) {
        // Rounds may follow each other quickly (a short push wait, a cancelled SMS): a stop ends them.
        if (IsStopped())
            return RES_OK;
        ReportProgress(window, kTextIdentifying, 0);
        std::uint32_t waitSeconds = kDefaultWaitSeconds;
        // Started by a push, the application only waits for the keys.
        if (!IsWaitCIR()) {
            std::u16string number;
            const RETURNED_RES result = RequestRegistration(window, number, waitSeconds);
            if (result != RES_OK)
                return result;
            if (!m_smsc.empty()) {
                const SmsSent sent = SendRegistrationSms(window, number);
                if (sent == SmsSent::Failed)
                    return RES_ERROR;
                if (sent == SmsSent::Cancelled)
                    continue;
            }
        }
        RemoveWaitCIR();
        ReportProgress(window, kTextIdentifying, 0);
        const std::shared_ptr<CEvent> accountArrived = OpenPushEvent(kAccountEvent);
        // A wait under a second would make the rounds a storm of requests: a second at least.
        if (const std::optional<RETURNED_RES> ended =
                WaitForAccount(window, *accountArrived, std::max<std::uint32_t>(waitSeconds, 1)))
            return *ended;
    }
}

RETURNED_RES TesselService::RequestRegistration(HWND window, std::u16string& number,
                                                std::uint32_t& waitSeconds)
{
    PrepareHTTPHeader(u"InitDevice");
    if (m_smsc.empty()) {
        CUiPort::Get().MessageBox(window, BrandingText(kTextNoServiceCentre), BrandingText(kTextQuestionCaption),
                                  MB_OK);
        m_settingsStore->Set(&_SETTINGS_DEF::Retry_Number, kSmsGivenUp);
        m_settingsStore->SaveSettings();
    }
    const std::int32_t retries = m_settingsStore->Get(&_SETTINGS_DEF::Retry_Number);
    m_transport->AddNumberHeader(u"QX-RetryNumber: ", retries);
    const RETURNED_RES result = ExecuteRequest(u"GET");
    if (result == RES_SETTINGS_REQUIRED)
        return result;
    ReportProgress(window, kTextIdentifying, 0);
    if (result != RES_OK) {
        SERVICE_LOG_FAILURE(this);
        return result;
    }

    // The server may have set the counter anywhere: it stops growing at the top.
    if (retries < std::numeric_limits<std::int32_t>::max())
        m_settingsStore->Set(&_SETTINGS_DEF::Retry_Number, retries + 1);
    m_settingsStore->SaveSettings();
    ReportProgress(window, kTextIdentifying, 0);

    std::u16string value;
    if (!m_transport->QueryHeader(u"QX-SendRegistrationSMS: ", value) || EqualsFolded(value, u"false")) {
        m_settingsStore->Set(&_SETTINGS_DEF::Retry_Number, kSmsGivenUp);
        m_settingsStore->SaveSettings();
        return RES_SETTINGS_REQUIRED;
    }
    std::optional<std::u16string> timeout;
    if (m_transport->QueryHeader(u"QX-IdentificationCirTimeout: ", value))
        timeout = value;
    waitSeconds = WaitSeconds(timeout);
    if (!m_transport->QueryHeader(u"QX-MSISDN: ", number)) {
        LogLine("registration: the answer names no number for the SMS (QX-MSISDN)");
        SERVICE_LOG_FAILURE(this);
        return RES_ERROR;
    }
    return RES_OK;
}

TesselService::SmsSent TesselService::SendRegistrationSms(HWND window, std::u16string_view number)
{
    CSmsService& sms = CSmsService::Get();
    if (!sms.Open()) {
        LogLine("registration: the SMS service cannot be opened");
        SERVICE_LOG_FAILURE(this);
        return SmsSent::Failed;
    }
    ReportProgress(window, kTextIdentifying, 0);
    const std::u16string text =
        u"IdentifyDevice DID:" + m_deviceId + u";UA:" + m_userAgent + u";A:" + m_appAgent;
    if (CUiPort::Get().MessageBox(window, BrandingText(kTextConfirmRegistrationSms), BrandingText(kTextQuestionCaption),
                                  MB_OKCANCEL) == IDCANCEL) {
        m_settingsStore->Set(&_SETTINGS_DEF::Retry_Number, kSmsGivenUp);
        m_settingsStore->SaveSettings();
        sms.Close();
        return SmsSent::Cancelled;
    }
    const bool sent = sms.Send(number.substr(0, kMaxNumberChars), text);
    sms.Close();
    if (!sent) {
        LogLine(u"registration: the SMS to " + std::u16string(number) + u" could not be sent");
        SERVICE_LOG_FAILURE(this);
        return SmsSent::Failed;
    }
    return SmsSent::Yes;
}

std::optional<RETURNED_RES> TesselService::WaitForAccount(HWND window, CEvent& accountArrived,
                                                          std::uint32_t waitSeconds)
{
    const std::uint32_t rounds = 2 * waitSeconds;
    const std::int32_t step = static_cast<std::int32_t>(100 / rounds + 1);
    for (std::uint32_t counter = 0; counter < rounds; ++counter) {
        ReportProgress(window, kTextWaitingForServer, step * static_cast<std::int32_t>(counter));
        const bool timedOut = accountArrived.Wait(kPushWaitRoundMs) == WaitResult::TimedOut;
        // The push handler stores the keys before it sets the event, so the record tells.
        if (m_settingsStore->HasKeys()) {
            m_keysTaken->Set();
            return RES_OK;
        }
        if (!timedOut)
            break;
        if (IsStopped())
            return RES_OK;
    }
    LogLine("registration: no keys came; registering again");
    return std::nullopt;
}
