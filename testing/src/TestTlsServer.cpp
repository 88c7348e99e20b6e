#include "testing/TestTlsServer.h"

#include <httplib.h>

#include <atomic>
#include <cstdlib>
#include <thread>

bool MakeSelfSignedCertificate(const std::filesystem::path& folder, std::string_view altName,
                               TestCertificate& certificate)
{
    certificate.certFile = folder / "cert.pem";
    certificate.keyFile = folder / "key.pem";
    const std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
                                " -days 36500 -subj /CN=lumeno-test -addext subjectAltName=" +
                                std::string(altName) + " -keyout '" + certificate.keyFile.string() + "' -out '" +
                                certificate.certFile.string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 && std::filesystem::exists(certificate.certFile);
}

struct CTestTlsServer::Impl {
    explicit Impl(const TestCertificate& certificate)
        : server(certificate.certFile.c_str(), certificate.keyFile.c_str())
    {
    }

    httplib::SSLServer server;
    std::thread thread;
    int port = -1;
    std::atomic<int> answered{0};
};

CTestTlsServer::CTestTlsServer(const TestCertificate& certificate)
    : m_impl(std::make_unique<Impl>(certificate))
{
    if (!m_impl->server.is_valid())
        return;
    auto answer = [impl = m_impl.get()](const httplib::Request&, httplib::Response& response) {
        ++impl->answered;
        response.set_content("secure", "text/plain");
    };
    m_impl->server.Get(".*", answer);
    m_impl->server.Post(".*", answer);
    m_impl->port = m_impl->server.bind_to_any_port("127.0.0.1");
    if (m_impl->port > 0)
        m_impl->thread = std::thread([impl = m_impl.get()] { impl->server.listen_after_bind(); });
}

CTestTlsServer::~CTestTlsServer()
{
    m_impl->server.stop();
    if (m_impl->thread.joinable())
        m_impl->thread.join();
}

bool CTestTlsServer::IsRunning() const
{
    return m_impl->port > 0;
}

std::string CTestTlsServer::Url(std::string_view path) const
{
    return "https://127.0.0.1:" + std::to_string(m_impl->port) + std::string(path);
}

int CTestTlsServer::AnsweredRequests() const
{
    return m_impl->answered.load();
}
