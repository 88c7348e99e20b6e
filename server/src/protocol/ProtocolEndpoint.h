#pragma once
// The handset-facing routes of the server: the protocol at the object path (and below it, with a
// session in the path) and the SMS gateway. Turns HTTP requests into protocol requests, answers them
// with a Content-Length always, and keeps the request log.

#include "protocol/CommandDispatcher.h"
#include "protocol/SmsGateway.h"

#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

class CProtocolEndpoint {
public:
    CProtocolEndpoint(ServerState& server, std::string smsGatewayPath);

    void Install(httplib::Server& routes);
    CCommandDispatcher& Dispatcher() { return m_dispatcher; }

private:
    void Serve(const httplib::Request& httpRequest, httplib::Response& httpResponse);
    ProtocolResponse Answer(const httplib::Request& httpRequest, ProtocolRequest& request);
    void Record(const ProtocolRequest& request, const ProtocolResponse& response);

    ServerState& m_server;
    CCommandDispatcher m_dispatcher;
    CSmsGateway m_gateway;
    const std::string m_smsGatewayPath;
};
