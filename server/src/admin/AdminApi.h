#pragma once
// The operator's controls over HTTP: "POST /admin/<command>" with the command's fields as a form or a
// multipart form (or "GET" with a query for read-only commands), answered with records one per line. Served
// on its own listener, which binds a loopback address only; requests from elsewhere are refused all the same.

#include "protocol/ServerState.h"

namespace httplib {
class Server;
}

class CAdminApi {
public:
    explicit CAdminApi(ServerState& server);

    void Install(httplib::Server& routes);

private:
    ServerState& m_server;
};

// True for 127.0.0.0/8, ::1 and IPv4-mapped loopback addresses.
bool IsLoopbackAddress(std::string_view address);
