#include "HttpListener.h"

#include "ServerLog.h"

#include <httplib.h>

namespace {

// The handset runs a whole operation on one kept-alive connection. An idle connection closes after
// 5 s (clients reconnect without fuss); a stopping server waits that long for idle ones at most.
constexpr std::size_t kKeepAliveRequests = 100000;
constexpr time_t kKeepAliveSeconds = 5;
constexpr time_t kReadTimeoutSeconds = 30;

std::unique_ptr<httplib::Server> MakeServer(const TlsFiles& tls)
{
    if (tls.certificate.empty())
        return std::make_unique<httplib::Server>();
    return std::make_unique<httplib::SSLServer>(tls.certificate.c_str(), tls.privateKey.c_str());
}

} // namespace

CHttpListener::CHttpListener(const TlsFiles& tls, std::size_t maxBodyBytes) : m_server(MakeServer(tls))
{
    m_tlsFailed = !m_server->is_valid();
    // Answers go out as header and body writes; without this, delayed acknowledgements hold every
    // second write of a kept-alive connection back by tens of milliseconds.
    m_server->set_tcp_nodelay(true);
    m_server->set_keep_alive_max_count(kKeepAliveRequests);
    m_server->set_keep_alive_timeout(kKeepAliveSeconds);
    m_server->set_read_timeout(kReadTimeoutSeconds);
    m_server->set_payload_max_length(maxBodyBytes);
    m_server->set_exception_handler(
        [](const httplib::Request& request, httplib::Response& response, std::exception_ptr error) {
            std::string what = "unknown exception";
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& exception) {
                what = exception.what();
            } catch (...) {
            }
            ServerLog(request.method + " " + request.path + ": handler failed: " + what);
            response.status = 500;
            response.set_content("internal error: " + what + "\n", "text/plain");
        });
}

CHttpListener::~CHttpListener()
{
    Stop();
}

int CHttpListener::Bind(const std::string& address, int port, std::string& error)
{
    if (m_tlsFailed) {
        error = "the certificate or its key cannot be read";
        return 0;
    }
    const int bound =
        port == 0 ? m_server->bind_to_any_port(address) : (m_server->bind_to_port(address, port) ? port : -1);
    if (bound <= 0) {
        error = "cannot listen on " + address + " port " + std::to_string(port);
        return 0;
    }
    return bound;
}

void CHttpListener::Serve()
{
    m_thread = std::thread([server = m_server.get()] { server->listen_after_bind(); });
}

void CHttpListener::Stop()
{
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}
