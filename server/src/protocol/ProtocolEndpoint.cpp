#include "protocol/ProtocolEndpoint.h"

#include "ServerLog.h"
#include "ServerTime.h"
#include "http/ConnectionCut.h"
#include "protocol/ProtocolCommands.h"
#include "protocol/ProtocolPath.h"

#include <httplib.h>

namespace {

// The HTTP library adds the connection's addresses to the request headers; they are not the handset's.
bool IsConnectionPseudoHeader(std::string_view name)
{
    return name == "LOCAL_ADDR" || name == "LOCAL_PORT" || name == "REMOTE_ADDR" || name == "REMOTE_PORT";
}

void Write(const ProtocolResponse& response, httplib::Response& httpResponse)
{
    httpResponse.status = response.status;
    for (const auto& [name, value] : response.headers)
        httpResponse.set_header(name, value);
    // set_content gives every answer, the empty ones included, its Content-Length: the handset reads
    // bodies by their announced length only.
    httpResponse.set_content(response.body, response.contentType.empty() ? "application/octet-stream"
                                                                         : response.contentType);
}

} // namespace

CProtocolEndpoint::CProtocolEndpoint(ServerState& server, std::string smsGatewayPath)
    : m_server(server), m_dispatcher(server), m_gateway(server), m_smsGatewayPath(std::move(smsGatewayPath))
{
    RegisterProtocolCommands(m_dispatcher);
}

void CProtocolEndpoint::Install(httplib::Server& routes)
{
    auto serve = [this](const httplib::Request& httpRequest, httplib::Response& httpResponse) {
        Serve(httpRequest, httpResponse);
    };
    routes.Get(".*", serve);
    routes.Post(".*", serve);
}

void CProtocolEndpoint::Serve(const httplib::Request& httpRequest, httplib::Response& httpResponse)
{
    ProtocolRequest request;
    request.method = httpRequest.method;
    request.path = httpRequest.path;
    request.body = httpRequest.body;
    request.remoteAddress = httpRequest.remote_addr;
    request.remotePort = httpRequest.remote_port;
    for (const auto& [name, value] : httpRequest.headers) {
        if (!IsConnectionPseudoHeader(name))
            request.headers.emplace_back(name, value);
    }
    const ProtocolResponse response = Answer(httpRequest, request);
    Record(request, response);
    if (response.cutConnection &&
        !CutConnection(httpRequest.local_port, httpRequest.remote_addr, httpRequest.remote_port))
        ServerLog("the connection from " + request.remoteAddress + " port " +
                  std::to_string(request.remotePort) + " to be dropped was not found; answering it");
    Write(response, httpResponse);
}

ProtocolResponse CProtocolEndpoint::Answer(const httplib::Request& httpRequest, ProtocolRequest& request)
{
    if (request.path == m_smsGatewayPath) {
        if (request.method != "POST")
            return ProtocolResponse::Refusal(405, "the SMS gateway takes POST requests");
        return m_gateway.Deliver(httpRequest.get_param_value("to"), httpRequest.get_param_value("text"),
                                 request.remoteAddress);
    }
    const ProtocolPath path = ParseProtocolPath(m_server.settings.objectPath, request.path);
    switch (path.kind) {
    case PathKind::Outside:
        return ProtocolResponse::Refusal(404, "nothing is served at \"" + request.path.substr(0, 128) + "\"");
    case PathKind::Malformed:
        return ProtocolResponse::Refusal(400,
                                         "path \"" + request.path.substr(0, 128) +
                                             "\" is not the object path followed by /<tick>;<session id>");
    case PathKind::WithSession:
        request.sessionId = path.sessionId;
        break;
    case PathKind::Plain:
        request.sessionId = SessionIdFromCookie(request.HeaderOr("Cookie"));
        break;
    }
    return m_dispatcher.Dispatch(request);
}

void CProtocolEndpoint::Record(const ProtocolRequest& request, const ProtocolResponse& response)
{
    LoggedRequest entry;
    entry.timeMs = NowMs();
    entry.remoteAddress = request.remoteAddress;
    entry.remotePort = request.remotePort;
    entry.method = request.method;
    entry.path = request.path;
    entry.headers = request.headers;
    entry.bodySize = request.body.size();
    entry.status = response.status;
    entry.errorCode = response.Header("QX-ErrorCode").value_or("");
    m_server.requestLog.Add(entry);

    std::string line = request.method + " " + LoggedText(request.path, 160) + " " +
                       LoggedText(request.HeaderOr("QX-Command", "-")) + " from " +
                       LoggedText(request.HeaderOr("QX-DeviceID", request.remoteAddress)) + ": " +
                       std::to_string(response.status);
    if (!entry.errorCode.empty())
        line += " QX-ErrorCode " + entry.errorCode;
    if (response.cutConnection)
        line += " (connection dropped)";
    if (response.status != 200) {
        std::string_view reason = response.body;
        while (!reason.empty() && reason.back() == '\n')
            reason.remove_suffix(1);
        line += " (" + LoggedText(reason, 160) + ")";
    }
    ServerLog(line);
}
