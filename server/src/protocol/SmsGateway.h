#pragma once
// The carrier's side of registration: the handset's SMS stand-in posts each text message here as a
// form with "to" and "text". A registration message to the server's number makes (or finds) the
// device's account and keys, and the keys go to the handset in an "IdentifyDevice" push.

#include "protocol/ProtocolMessage.h"
#include "protocol/ServerState.h"

#include <optional>
#include <string>
#include <string_view>

struct RegistrationSms {
    std::string deviceId;
    std::string userAgent;
    std::string agent;
};

// Reads "IdentifyDevice DID:<device id>;UA:<user agent>;A:<application agent>" (the user agent may
// itself hold ";"). Nothing, with the reason in `error`, for any other text.
std::optional<RegistrationSms> ParseRegistrationSms(std::string_view text, std::string& error);

class CSmsGateway {
public:
    explicit CSmsGateway(ServerState& server);

    // The answer to one delivered message: 200 when it was taken, 404 for another number, 400 for a
    // text that is not a registration.
    ProtocolResponse Deliver(std::string_view to, std::string_view text, const std::string& senderAddress);

private:
    ServerState& m_server;
};
