// The server session: StartNegotiation (a session id and a challenge, perhaps after a push round
// trip), CompleteNegotiation (the answer to the challenge and the operation), CompleteSession (how the
// session ended), and ConfigVersionFlow, which fetches the settings inside a session when the server
// says the client's configuration is out of date.

#include "service/TesselService.h"

#include "Digest.h"
#include "PushEvents.h"
#include "ServiceLog.h"
#include "platform/UiPort.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/CReg_Api.h"
#include "service/ServerTransport.h"
#include "service/UI_Sync.h"
#include "utils/AsciiFold.h"

namespace {

constexpr int kPushRounds = 80;
constexpr std::int32_t kFirstPushProgress = 20;

// Base64 of MD5 over the challenge followed by the device key. Each character gives its low byte, as
// the handset turned the wide text into bytes; the server computes it the same way.
std::u16string AnswerToChallenge(std::u16string_view challengeAndKey)
{
    std::string bytes;
    bytes.reserve(challengeAndKey.size());
    for (const char16_t c : challengeAndKey)
        bytes.push_back(static_cast<char>(c & 0xFF));
    return Md5Base64(bytes);
}

// "Restore" or, with data kinds, "Restore:Contacts;Calendar;" (kinds in this fixed order).
std::u16string OperationValue(std::u16string_view operation, int contacts, int messages, int calendar,
                              int files)
{
    std::u16string value(operation);
    if (!contacts && !messages && !calendar && !files)
        return value;
    value += u':';
    if (contacts)
        value += u"Contacts;";
    if (messages)
        value += u"Messages;";
    if (calendar)
        value += u"Calendar;";
    if (files)
        value += u"Files;";
    return value;
}

} // namespace

bool TesselService::IsStopped() const
{
    return m_uiSync->IsStopped();
}

void TesselService::ClearSessionState()
{
    if (m_transport)
        m_transport->ClearSession();
    m_errorRecorded = false;
    m_errorLevel = 0;
    m_errorMessage.clear();
}

RETURNED_RES TesselService::RequestNegotiation()
{
    PrepareHTTPHeader(u"StartNegotiation");
    const std::u16string configVersion = m_settingsStore->Get(&_SETTINGS_DEF::Config_Version);
    if (!configVersion.empty())
        m_transport->AddHeader(u"QX-ConfigVersion: ", configVersion);
    return ExecuteRequest(u"GET");
}

RETURNED_RES TesselService::StartNegotiation(HWND window)
{
    RETURNED_RES result = RES_REPEAT;
    while (result == RES_REPEAT) {
        ClearSessionState();
        if (IsStopped())
            return RES_OK;
        result = RequestNegotiation();
    }
    if (result == RES_OK) {
        if (IsStopped())
            return RES_OK;
        // An announced push: once it came, the negotiation is asked for again in a new session.
        if (std::u16string ignored; m_transport->QueryHeader(u"QX-ExpectCir", ignored)) {
            if (const std::optional<RETURNED_RES> ended = WaitForNegotiationPush(window))
                return *ended;
            m_transport->ClearSession();
            if (IsStopped())
                return RES_OK;
            result = RequestNegotiation();
        }
    }
    if (result != RES_OK) {
        SERVICE_LOG_FAILURE(this);
        return result;
    }

    // Without a new challenge the previous response stands in for it.
    std::u16string value;
    if (m_transport->QueryHeader(u"QX-Challenge: ", value))
        m_challengeResponse = value;
    m_challengeResponse =
        AnswerToChallenge(m_challengeResponse + m_settingsStore->Get(&_SETTINGS_DEF::QX_key));
    if (m_transport->QueryHeader(u"QX-SessionID", value)) {
        m_sessionId = value;
        m_flow.answer.clear();
    }
    if (m_transport->QueryHeader(u"QX-RetrieveSettings: ", value) && EqualsFolded(value, u"true"))
        return RES_SETTINGS_REQUIRED;
    return RES_OK;
}

std::optional<RETURNED_RES> TesselService::WaitForNegotiationPush(HWND window)
{
    const std::shared_ptr<CEvent> pushed = OpenPushEvent(kChangeMsisdnEvent);
    for (int round = 0; round < kPushRounds; ++round) {
        const bool woken = pushed->Wait(kPushWaitRoundMs) == WaitResult::Signaled;
        ReportProgress(window, kTextWaitingForServer, kFirstPushProgress + round);
        if (woken)
            return std::nullopt;
        if (IsStopped())
            return RES_OK;
    }
    LogLine("negotiation: the announced push did not come");
    CUiPort::Get().MessageBox(window, BrandingText(kTextNotConfirmedInTime), BrandingText(kTextIdentifying), MB_OK);
    return RES_STOPPED;
}

RETURNED_RES TesselService::CompleteNegotiation(std::u16string_view operation, int contacts, int messages,
                                                int calendar, int files, int schedulerInitiated)
{
    if (IsStopped())
        return RES_OK;
    PrepareHTTPHeader(u"CompleteNegotiation");
    m_transport->AddHeader(u"QX-Challenge: ", m_challengeResponse);
    m_transport->AddHeader(u"QX-Initiator: ", schedulerInitiated ? u"SchedulerInitiated" : u"Manual");
    m_transport->AddHeader(u"QX-Operation: ", OperationValue(operation, contacts, messages, calendar, files));
    if (IsStopped())
        return RES_OK;
    const RETURNED_RES result = ExecuteRequest(u"GET");
    if (result != RES_OK)
        SERVICE_LOG_FAILURE(this);
    return result;
}

RETURNED_RES TesselService::CompleteSession()
{
    PrepareHTTPHeader(u"SessionCompleted");
    if (m_errorRecorded) {
        m_transport->AddNumberHeader(u"QX-ErrorLevel: ", m_errorLevel);
        m_transport->AddBase64Header(u"QX-ErrorMessage: ", m_errorMessage);
    }
    const RETURNED_RES result = ExecuteRequest(u"GET");
    if (result != RES_OK)
        SERVICE_LOG_FAILURE(this);
    return result;
}

std::optional<RETURNED_RES> TesselService::SessionStepEnds(RETURNED_RES result)
{
    const bool stopped = IsStopped();
    if (!stopped && result != RES_REPEAT)
        return result == RES_OK ? std::nullopt : std::optional(result);
    if (result == RES_REPEAT)
        LogLine("session: the server asked for a command again instead of answering it; the flow ends");
    if (!m_transport->SessionId().empty())
        CompleteSession();
    return result;
}

RETURNED_RES TesselService::ConfigVersionFlow(HWND window)
{
    const RETURNED_RES result = RetrieveSettingsInSession();
    return result == RES_OK ? StartNegotiation(window) : result;
}
