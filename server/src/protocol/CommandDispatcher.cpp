#include "protocol/CommandDispatcher.h"

#include "ServerLog.h"
#include "ServerTime.h"
#include "protocol/Credentials.h"
#include "protocol/ErrorCodes.h"
#include "utils/AsciiFold.h"

namespace {

// Longest user agent, agent or IMSI text kept from a request.
constexpr std::size_t kMaxIdentityText = 256;

std::string Capped(std::string text)
{
    if (text.size() > kMaxIdentityText)
        text.resize(kMaxIdentityText);
    return text;
}

DeviceContact ContactOf(const ProtocolRequest& request)
{
    DeviceContact contact;
    contact.deviceId = request.DeviceId();
    contact.address = request.remoteAddress;
    contact.userAgent = Capped(request.HeaderOr("qx-useragent", request.HeaderOr("user-agent")));
    contact.agent = Capped(request.HeaderOr("QX-Agent"));
    contact.imsi = Capped(request.HeaderOr("QX-IMSI"));
    contact.seenMs = NowMs();
    return contact;
}

void Apply(const DeviceContact& contact, DeviceRecord& device)
{
    device.lastAddress = contact.address;
    device.lastSeenMs = contact.seenMs;
    if (!contact.userAgent.empty())
        device.userAgent = contact.userAgent;
    if (!contact.agent.empty())
        device.agent = contact.agent;
    if (!contact.imsi.empty())
        device.imsi = contact.imsi;
}

ProtocolResponse InjectedAnswer(const OperatorRule& rule)
{
    ServerLog("operator rule " + std::to_string(rule.id) + " answers " + rule.command);
    if (rule.kind == RuleKind::Status)
        return ProtocolResponse::Refusal(rule.status,
                                         "status " + std::to_string(rule.status) + " set by the operator");
    return ProtocolResponse::Error(rule.errorCode, rule.errorMessage);
}

ProtocolResponse RewrittenAnswer(const OperatorRule& rule, ProtocolResponse response)
{
    ServerLog("operator rule " + std::to_string(rule.id) + " changes the answer to " + rule.command);
    for (const auto& [name, value] : rule.setHeaders) {
        std::erase_if(response.headers, [&](const auto& header) { return EqualsFolded(header.first, name); });
        if (!value.empty())
            response.AddHeader(name, value);
    }
    if (rule.body)
        response.body = *rule.body;
    return response;
}

} // namespace

bool RecordContact(CommandContext& context)
{
    const DeviceContact contact = ContactOf(context.request);
    Apply(contact, context.device);
    // A device the store does not know yet is left alone (the update finds no row).
    return context.server.store.RecordContact(contact);
}

CCommandDispatcher::CCommandDispatcher(ServerState& server) : m_server(server) {}

void CCommandDispatcher::Register(std::string command, Needs needs, CommandHandler handler)
{
    m_commands.insert_or_assign(std::move(command), Entry{needs, handler});
}

ProtocolResponse CCommandDispatcher::Dispatch(const ProtocolRequest& request)
{
    const std::string command = request.Command();
    if (command.empty())
        return ProtocolResponse::Refusal(400, "the request has no QX-Command header");
    const std::string deviceId = request.DeviceId();
    if (deviceId.empty())
        return ProtocolResponse::Refusal(400, "the request has no QX-DeviceID header");
    if (!IsProtocolToken(deviceId))
        return ProtocolResponse::Refusal(400, "QX-DeviceID is not 1-64 letters, digits or . _ @ + - = /");

    CommandContext context{m_server, request, m_server.registrar.DeviceOrNew(deviceId), {}, {}};
    // A newcomer has no credentials to check, so what it tells is taken at once (InitDevice stores it).
    // A registered device's record changes only after its request passed the checks (Run), so that a
    // request with wrong credentials cannot move where the device's pushes go.
    if (!context.device.IsRegistered() && !RecordContact(context))
        return ErrorAnswer(ErrorCode::ServerFailure, "The server could not record the request.");

    if (command != kDialogAnswerCommand) {
        if (std::optional<ProtocolResponse> refusal = m_server.dialogs.TakeRefusal(deviceId))
            return *refusal;
    }
    if (const std::optional<OperatorRule> rule = m_server.rules.Take(command, deviceId)) {
        if (rule->kind == RuleKind::Dialog)
            return ShowDialog(command, rule->dialog, context);
        if (rule->kind == RuleKind::Drop)
            return DroppedAnswer(*rule, command, context);
        if (rule->kind == RuleKind::Rewrite)
            return RewrittenAnswer(*rule, Run(command, context));
        return InjectedAnswer(*rule);
    }
    return Run(command, context);
}

ProtocolResponse CCommandDispatcher::DroppedAnswer(const OperatorRule& rule, const std::string& command,
                                                   CommandContext& context)
{
    const bool after = rule.drop == DropMoment::AfterRunning;
    ServerLog("operator rule " + std::to_string(rule.id) + " drops the connection " +
              (after ? "after" : "before") + " " + command);
    ProtocolResponse response = after ? Run(command, context) : ProtocolResponse();
    response.cutConnection = true;
    return response;
}

ProtocolResponse CCommandDispatcher::ShowDialog(const std::string& command, const DialogLayout& dialog,
                                                CommandContext& context)
{
    // When a button may carry on without an answer post, the handset takes the dialog's response as the
    // command's answer, so the command runs now and its headers travel with the dialog. Otherwise the
    // dialog stands in for the command, which runs when the handset repeats it after answering.
    std::optional<ProtocolResponse> commandAnswer;
    ProtocolResponse response;
    if (dialog.MayCarryOn() || command == kDialogAnswerCommand) {
        commandAnswer = Run(command, context);
        if (commandAnswer->status != 200)
            return *commandAnswer;
        response = *commandAnswer;
    }
    response.AddHeader("QX-GenericDialog", "true");
    response.body = DialogDescription(dialog);
    response.contentType = "text/xml; charset=utf-8";
    m_server.dialogs.Shown(context.device.deviceId, dialog, std::move(commandAnswer));
    ServerLog("dialog " + std::to_string(dialog.code) + " shown to " + context.device.deviceId + " before " +
              LoggedText(command));
    return response;
}

ProtocolResponse CCommandDispatcher::Run(const std::string& command, CommandContext& context)
{
    const auto found = m_commands.find(command);
    if (found == m_commands.end())
        return ErrorAnswer(ErrorCode::UnknownCommand,
                           "This server does not know the command \"" + command.substr(0, 64) + "\".");
    if (std::optional<ProtocolResponse> refused = Check(found->second.needs, context))
        return *refused;
    if (found->second.needs != Needs::Device && !RecordContact(context))
        return ErrorAnswer(ErrorCode::ServerFailure, "The server could not record the request.");
    return found->second.handler(context);
}

std::optional<ProtocolResponse> CCommandDispatcher::Check(Needs needs, CommandContext& context)
{
    if (needs == Needs::Device)
        return std::nullopt;
    if (std::optional<ProtocolResponse> refused = CheckCredentials(context))
        return refused;
    if (needs == Needs::Account)
        return std::nullopt;
    return CheckSession(needs, context);
}

std::optional<ProtocolResponse> CCommandDispatcher::CheckCredentials(CommandContext& context)
{
    const DeviceRecord& device = context.device;
    if (device.IsRegistered())
        context.account = m_server.store.FindAccount(device.userId);
    if (!context.account)
        return ErrorAnswer(ErrorCode::UnknownDevice,
                           "This handset (" + device.deviceId + ") is not registered.");
    const AccountRecord& account = *context.account;
    const ProtocolRequest& request = context.request;
    // A registered handset always sends its user key; a request without one proves nothing.
    if (request.HeaderOr("QX-Ukey") != account.userKey)
        return ErrorAnswer(ErrorCode::WrongCredentials,
                           "The user key of this handset does not match its account.");
    if (const std::optional<std::string> userId = request.Header("QX-UserID");
        userId && *userId != account.userId)
        return ErrorAnswer(ErrorCode::WrongCredentials, "This handset belongs to another user.");
    if (!account.password.empty() && request.HeaderOr("QX-Password") != account.password)
        return ErrorAnswer(ErrorCode::WrongCredentials, "The password is wrong.");
    return std::nullopt;
}

std::optional<ProtocolResponse> CCommandDispatcher::CheckSession(Needs needs, CommandContext& context)
{
    const std::string& sessionId = context.request.sessionId;
    if (sessionId.empty())
        return ErrorAnswer(ErrorCode::UnknownSession, "The request belongs to no session; start a new one.");
    std::optional<SessionRecord> session = m_server.store.FindSession(sessionId);
    const std::int64_t now = NowMs();
    if (!session || session->deviceId != context.device.deviceId ||
        session->state == SessionState::Completed ||
        now - session->lastUsedMs > m_server.settings.sessionTimeoutMs)
        return ErrorAnswer(ErrorCode::UnknownSession,
                           "The session has ended or is unknown; start a new one.");
    if (needs == Needs::NegotiatedSession && session->state != SessionState::Negotiated)
        return ErrorAnswer(ErrorCode::NotNegotiated, "The session has not been negotiated.");
    session->lastUsedMs = now;
    if (!m_server.store.SaveSession(*session))
        return ErrorAnswer(ErrorCode::ServerFailure, "The server could not record the session.");
    context.session = std::move(session);
    return std::nullopt;
}
