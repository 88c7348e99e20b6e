#include "RefServer.h"

#include "ServerLog.h"
#include "refserver/AdminCommands.h"

#include <system_error>

namespace {

constexpr const char* kStoreFileName = "refserver.db";
constexpr const char* kMediaFolderName = "media";
// The admin API takes forms: small ones, or one file's content, which form encoding may make up to
// three times longer.
constexpr std::size_t kMaxAdminBody = 3 * kMaxFileFieldBytes + 1024 * 1024;
// Each connection holds a worker while it is open: far more than a crowd of idle or slow connections
// (each held for seconds at most) can fill, so that handsets keep being answered. The operator's API
// sees a few clients on loopback.
constexpr std::size_t kProtocolWorkers = 256;
constexpr std::size_t kAdminWorkers = 8;

ConnectionLimits LimitsWithBody(std::size_t maxBodyBytes)
{
    ConnectionLimits limits;
    limits.maxBodyBytes = maxBodyBytes;
    return limits;
}

// The host part of a URL for a listen address: IPv6 literals in brackets, "any" addresses as loopback.
std::string UrlHost(const std::string& address)
{
    if (address == "0.0.0.0" || address.empty())
        return "127.0.0.1";
    if (address == "::")
        return "[::1]";
    if (address.find(':') != std::string::npos)
        return "[" + address + "]";
    return address;
}

} // namespace

CRefServer::CRefServer(ServerOptions options)
    : m_options(std::move(options)), m_pushes(std::chrono::milliseconds(m_options.pushDelayMs))
{}

CRefServer::~CRefServer()
{
    Stop();
}

std::string CRefServer::PublicUrl() const
{
    if (!m_options.publicUrl.empty())
        return m_options.publicUrl;
    return std::string(IsTls() ? "https" : "http") + "://" + UrlHost(m_options.listen) + ":" +
           std::to_string(m_httpPort) + m_options.objectPath;
}

bool CRefServer::Start(std::string& error)
{
    std::error_code made;
    std::filesystem::create_directories(m_options.dataFolder, made);
    if (made) {
        error = "cannot create the data folder " + m_options.dataFolder.string() + ": " + made.message();
        return false;
    }
    if (!m_store.Open(m_options.dataFolder / kStoreFileName, error))
        return false;

    ProtocolSettings settings;
    settings.objectPath = m_options.objectPath;
    settings.msisdn = m_options.msisdn;
    settings.pushPort = m_options.pushPort;
    settings.identificationTimeoutMs = m_options.identificationTimeoutMs;
    settings.smsAttempts = m_options.smsAttempts;
    settings.sessionTimeoutMs = static_cast<std::int64_t>(m_options.sessionTimeoutSeconds) * 1000;

    m_httpListener =
        std::make_unique<CHttpListener>(TlsFiles{m_options.certificateFile, m_options.keyFile},
                                        LimitsWithBody(m_options.maxBodyBytes), kProtocolWorkers);
    m_adminListener =
        std::make_unique<CHttpListener>(TlsFiles{}, LimitsWithBody(kMaxAdminBody), kAdminWorkers);
    m_httpPort = m_httpListener->Bind(m_options.listen, m_options.port, error);
    if (m_httpPort == 0)
        return false;
    m_adminPort = m_adminListener->Bind(m_options.adminListen, m_options.adminPort, error);
    if (m_adminPort == 0)
        return false;
    // The public URL names the bound port, so the routes are made only now, before anyone is served.
    settings.publicUrl = PublicUrl();
    m_state = std::make_unique<ServerState>(settings, m_store, m_store, m_store, m_store,
                                            m_options.dataFolder / kMediaFolderName, m_pushes,
                                            m_options.keyDelivery, m_options.logCapacity);
    m_endpoint = std::make_unique<CProtocolEndpoint>(*m_state, m_options.smsPath);
    m_adminApi = std::make_unique<CAdminApi>(*m_state);
    m_endpoint->Install(m_httpListener->Routes());
    m_adminApi->Install(m_adminListener->Routes());
    m_httpListener->Serve();
    m_adminListener->Serve();
    ServerLog("serving " + settings.publicUrl + " with data in " + m_options.dataFolder.string());
    return true;
}

void CRefServer::Stop()
{
    if (m_httpListener)
        m_httpListener->Stop();
    if (m_adminListener)
        m_adminListener->Stop();
    m_pushes.Stop();
}
