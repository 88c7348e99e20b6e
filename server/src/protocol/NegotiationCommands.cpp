// Opening, negotiating and closing a session.

#include "protocol/ProtocolCommands.h"

#include "ServerLog.h"
#include "ServerTime.h"
#include "protocol/Credentials.h"
#include "protocol/ErrorCodes.h"
#include "push/PushMessages.h"
#include "utils/Base64.h"
#include "utils/Utf.h"

#include <charconv>

namespace {

// Sessions not used for a day are forgotten when a new one starts.
constexpr std::int64_t kSessionRetentionMs = 24LL * 60 * 60 * 1000;
constexpr std::size_t kMaxOperationText = 256;
constexpr std::size_t kMaxReportBytes = 4096;

// The operator asked for a push round trip: the handset waits for "ChangeMsisdn" and then starts over.
// Nothing when no push address is known: the negotiation then goes on as usual.
std::optional<ProtocolResponse> AskForPushRoundTrip(CommandContext& context)
{
    DeviceRecord& device = context.device;
    device.expectCir = false;
    if (!context.server.store.SaveDevice(device))
        return ErrorAnswer(ErrorCode::ServerFailure, "The server could not record the handset.");
    const std::optional<PushTarget> target = PushTargetOf(device, context.server.settings.pushPort);
    if (!target) {
        ServerLog("push round trip for " + device.deviceId + " skipped: no push address known");
        return std::nullopt;
    }
    context.server.pushes.SendLater(*target, ChangeMsisdnPush(device));
    ProtocolResponse response;
    response.AddHeader("QX-ExpectCir", "true");
    return response;
}

ProtocolResponse StartNegotiation(CommandContext& context)
{
    if (context.device.expectCir) {
        if (std::optional<ProtocolResponse> roundTrip = AskForPushRoundTrip(context))
            return *roundTrip;
    }
    ServerState& server = context.server;
    const std::int64_t now = NowMs();
    server.store.DropSessionsUnusedSince(now -
                                         std::max(kSessionRetentionMs, server.settings.sessionTimeoutMs));

    SessionRecord session;
    session.sessionId = NewSecret();
    session.deviceId = context.device.deviceId;
    session.challenge = NewSecret();
    session.createdMs = now;
    session.lastUsedMs = now;
    if (!server.store.SaveSession(session))
        return ErrorAnswer(ErrorCode::ServerFailure, "The server could not open a session.");

    const std::string current = std::to_string(context.account->configVersion);
    const bool stale = context.request.HeaderOr("QX-ConfigVersion") != current;
    ProtocolResponse response;
    response.AddHeader("QX-SessionID", session.sessionId);
    response.AddHeader("Set-Cookie",
                       "QXSESSION=" + session.sessionId + "; path=" + server.settings.objectPath);
    response.AddHeader("QX-Challenge", session.challenge);
    response.AddHeader("QX-RetrieveSettings", stale ? "true" : "false");
    return response;
}

ProtocolResponse CompleteNegotiation(CommandContext& context)
{
    if (std::optional<ProtocolResponse> refused = CheckChallengeResponse(context))
        return *refused;
    SessionRecord& session = *context.session;
    session.state = SessionState::Negotiated;
    session.operation = context.request.HeaderOr("QX-Operation").substr(0, kMaxOperationText);
    session.initiator = context.request.HeaderOr("QX-Initiator").substr(0, kMaxOperationText);
    if (!context.server.store.SaveSession(session))
        return ErrorAnswer(ErrorCode::ServerFailure, "The server could not record the session.");
    ServerLog("session " + session.sessionId + " of " + session.deviceId + ": " + LoggedText(session.operation) +
              " (" + LoggedText(session.initiator) + ")");
    return {};
}

ProtocolResponse SessionCompleted(CommandContext& context)
{
    SessionRecord& session = *context.session;
    const std::optional<std::string> level = context.request.Header("QX-ErrorLevel");
    const std::optional<std::string> message = context.request.Header("QX-ErrorMessage");
    if (level) {
        const auto parsed = std::from_chars(level->data(), level->data() + level->size(), session.errorLevel);
        if (level->empty() || parsed.ec != std::errc() || parsed.ptr != level->data() + level->size())
            return ProtocolResponse::Refusal(400, "QX-ErrorLevel \"" + level->substr(0, 32) +
                                                      "\" is not a number");
    }
    if (message) {
        std::string text = Base64DecodeLenient(*message);
        if (text.size() > kMaxReportBytes)
            text.resize(kMaxReportBytes);
        // Bytes that are not UTF-8 become U+FFFD rather than reaching the store and the operator as-is.
        session.errorMessage = Utf16ToUtf8(Utf8ToUtf16(text));
    }
    session.errorReported = level || message;
    session.state = SessionState::Completed;
    if (!context.server.store.SaveSession(session))
        return ErrorAnswer(ErrorCode::ServerFailure, "The server could not record the session.");
    if (session.errorReported)
        ServerLog("session " + session.sessionId + " of " + session.deviceId + " ended with error level " +
                  std::to_string(session.errorLevel) + ": " + session.errorMessage);
    return {};
}

} // namespace

std::optional<ProtocolResponse> CheckChallengeResponse(const CommandContext& context)
{
    const std::optional<std::string> answer = context.request.Header("QX-Challenge");
    if (!answer)
        return ErrorAnswer(ErrorCode::MissingHeader, "The request carries no challenge response.");
    if (*answer != KeyedDigest(context.session->challenge, context.device.deviceKey))
        return ErrorAnswer(
            ErrorCode::WrongChallenge,
            "The handset's key is not the one this server gave it. Register the handset again.");
    return std::nullopt;
}

void RegisterNegotiationCommands(CCommandDispatcher& dispatcher)
{
    dispatcher.Register("StartNegotiation", Needs::Account, StartNegotiation);
    dispatcher.Register("CompleteNegotiation", Needs::Session, CompleteNegotiation);
    dispatcher.Register("SessionCompleted", Needs::Session, SessionCompleted);
}
