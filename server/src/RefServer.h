#pragma once
// The running reference server: the account store in the data folder, the push sender, the
// handset-facing listener (protocol and SMS gateway) and the loopback admin listener.
//
// Start and Stop are called by one thread (main); in between, the listeners' threads serve requests.

#include "http/HttpListener.h"
#include "ServerOptions.h"
#include "admin/AdminApi.h"
#include "protocol/ProtocolEndpoint.h"
#include "push/PushSender.h"
#include "store/SqliteAccountStore.h"

#include <memory>
#include <string>

class CRefServer {
public:
    explicit CRefServer(ServerOptions options);
    ~CRefServer();
    CRefServer(const CRefServer&) = delete;
    CRefServer& operator=(const CRefServer&) = delete;

    // Opens the store and starts both listeners. False, with the reason in `error`, when the data folder,
    // the store, the certificate or a port cannot be used; nothing is left running then.
    bool Start(std::string& error);
    // Stops serving and sending; safe to call twice.
    void Stop();

    int HttpPort() const { return m_httpPort; }
    int AdminPort() const { return m_adminPort; }
    bool IsTls() const { return !m_options.certificateFile.empty(); }
    const ServerOptions& Options() const { return m_options; }

private:
    std::string PublicUrl() const;

    ServerOptions m_options;
    CSqliteAccountStore m_store;
    CPushSender m_pushes;
    std::unique_ptr<ServerState> m_state;
    std::unique_ptr<CProtocolEndpoint> m_endpoint;
    std::unique_ptr<CAdminApi> m_adminApi;
    std::unique_ptr<CHttpListener> m_httpListener;
    std::unique_ptr<CHttpListener> m_adminListener;
    int m_httpPort = 0;
    int m_adminPort = 0;
};
