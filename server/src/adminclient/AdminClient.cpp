#include "refserver/AdminClient.h"

#include <httplib.h>

namespace {

constexpr int kTimeoutSeconds = 30;

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace

CAdminClient::CAdminClient(std::string adminUrl) : m_url(std::move(adminUrl))
{
    while (!m_url.empty() && m_url.back() == '/')
        m_url.pop_back();
}

AdminReply CAdminClient::Call(std::string_view command, const AdminFields& fields) const
{
    AdminReply reply;
    httplib::Client client(m_url);
    if (!client.is_valid()) {
        reply.error = "\"" + m_url + "\" is not an http address";
        return reply;
    }
    client.set_connection_timeout(kTimeoutSeconds);
    client.set_read_timeout(kTimeoutSeconds);
    client.set_write_timeout(kTimeoutSeconds);
    const httplib::Result result = client.Post(("/admin/" + std::string(command)).c_str(), AdminRecord{fields}.Encode(),
                                               "application/x-www-form-urlencoded");
    if (!result) {
        reply.error = "admin API at " + m_url + " not reached: " + httplib::to_string(result.error());
        return reply;
    }
    reply.status = result->status;
    if (reply.status == 200)
        reply.records = DecodeRecords(result->body);
    else
        reply.error = Trimmed(result->body);
    return reply;
}
