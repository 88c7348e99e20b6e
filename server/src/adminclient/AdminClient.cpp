#include "refserver/AdminClient.h"

#include <httplib.h>

namespace {

constexpr int kTimeoutSeconds = 30;
// The HTTP library refuses form bodies longer than this (CPPHTTPLIB_FORM_URL_ENCODED_PAYLOAD_MAX_LENGTH
// of the server's build); longer fields go as a multipart form, which it reads up to the body cap.
constexpr std::size_t kMaxFormBytes = 8192;

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
    const std::string path = "/admin/" + std::string(command);
    const std::string form = AdminRecord{fields}.Encode();
    httplib::MultipartFormDataItems parts;
    for (const auto& [name, value] : fields)
        parts.push_back({name, value, {}, {}});
    const httplib::Result result = form.size() <= kMaxFormBytes
                                       ? client.Post(path, form, "application/x-www-form-urlencoded")
                                       : client.Post(path, parts);
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
