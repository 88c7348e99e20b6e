#include "protocol/SmsGateway.h"

#include "ServerLog.h"
#include "protocol/Credentials.h"
#include "push/PushMessages.h"

namespace {

// Longer than any registration text; a bigger message is not one.
constexpr std::size_t kMaxSmsBytes = 1024;
constexpr std::string_view kRegistrationWord = "IdentifyDevice";

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<RegistrationSms> ParseRegistrationSms(std::string_view text, std::string& error)
{
    if (text.size() > kMaxSmsBytes) {
        error = "the message is longer than 1024 bytes";
        return std::nullopt;
    }
    const std::size_t blank = text.find(' ');
    const std::string_view rest =
        blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    const std::size_t userAgentMark = rest.find(";UA:");
    const std::size_t agentMark = rest.rfind(";A:");
    if (text.substr(0, blank) != kRegistrationWord || !rest.starts_with("DID:") ||
        userAgentMark == std::string_view::npos || agentMark == std::string_view::npos ||
        agentMark < userAgentMark) {
        error = "the message is not \"IdentifyDevice DID:<id>;UA:<user agent>;A:<agent>\"";
        return std::nullopt;
    }
    RegistrationSms sms;
    sms.deviceId = std::string(rest.substr(4, userAgentMark - 4));
    sms.userAgent = std::string(rest.substr(userAgentMark + 4, agentMark - userAgentMark - 4));
    sms.agent = std::string(rest.substr(agentMark + 3));
    if (!IsProtocolToken(sms.deviceId)) {
        error = "the device id of the message is not 1-64 letters, digits or . _ @ + - = /";
        return std::nullopt;
    }
    return sms;
}

CSmsGateway::CSmsGateway(ServerState& server) : m_server(server) {}

ProtocolResponse CSmsGateway::Deliver(std::string_view to, std::string_view text,
                                      const std::string& senderAddress)
{
    if (Trimmed(to) != m_server.settings.msisdn)
        return ProtocolResponse::Refusal(404, "no subscriber \"" + std::string(to.substr(0, 32)) +
                                                  "\" behind this gateway");
    std::string error;
    const std::optional<RegistrationSms> sms = ParseRegistrationSms(text, error);
    if (!sms)
        return ProtocolResponse::Refusal(400, error);

    DeviceRecord seen = m_server.registrar.DeviceOrNew(sms->deviceId);
    if (seen.lastAddress.empty())
        seen.lastAddress = senderAddress;
    seen.userAgent = sms->userAgent;
    seen.agent = sms->agent;
    const std::optional<Registration> registration = m_server.registrar.RegisterDevice(seen);
    if (!registration)
        return ProtocolResponse::Refusal(500, "the server could not register the device");
    const std::optional<PushTarget> target = PushTargetOf(registration->device, m_server.settings.pushPort);
    if (target)
        m_server.pushes.SendLater(*target, IdentifyDevicePush(registration->device, registration->account));
    ServerLog("registration SMS from " + sms->deviceId + " (" + LoggedText(sms->userAgent) + ", " +
              LoggedText(sms->agent) + ")");
    ProtocolResponse response;
    response.body = "accepted\n";
    response.contentType = "text/plain";
    return response;
}
