#pragma once
// A client of the reference server's admin API, for the operator mode of lumeno-refserver and for the
// tests that drive a running server. Each call is one HTTP request with a 30-second time-out, so a
// server that hangs fails the call instead of blocking its caller. Calls may come from any thread.

#include "refserver/AdminRecord.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct AdminReply {
    int status = 0;    // HTTP status; 0 when the server could not be reached
    std::string error; // the server's reason when status is not 200, or why it could not be reached
    std::vector<AdminRecord> records;

    bool Ok() const { return status == 200; }
};

using AdminFields = std::vector<std::pair<std::string, std::string>>;

class CAdminClient {
public:
    // `adminUrl`: "http://127.0.0.1:<admin port>".
    explicit CAdminClient(std::string adminUrl);

    AdminReply Call(std::string_view command, const AdminFields& fields = {}) const;
    const std::string& Url() const { return m_url; }

private:
    std::string m_url;
};
