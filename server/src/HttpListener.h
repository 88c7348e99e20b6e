#pragma once
// One HTTP or HTTPS listener of the server: an httplib server bound to an address and port, serving
// on its own thread until Stop.
//
// Kept-alive connections stay open for many requests (the handset keeps one connection for a whole
// operation), bodies are capped, and a handler that throws answers 500 instead of ending the program.

#include <cstddef>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

struct TlsFiles {
    std::string certificate; // PEM; empty: plain HTTP
    std::string privateKey;
};

class CHttpListener {
public:
    // Plain HTTP, or HTTPS with the given certificate and key.
    CHttpListener(const TlsFiles& tls, std::size_t maxBodyBytes);
    ~CHttpListener();
    CHttpListener(const CHttpListener&) = delete;
    CHttpListener& operator=(const CHttpListener&) = delete;

    // The server to add routes to, before Serve.
    httplib::Server& Routes() { return *m_server; }

    // Binds (port 0: any free port); connections wait in the backlog until Serve. The bound port, or
    // 0 with the reason in `error` (certificate or key unreadable, address unusable, port taken).
    int Bind(const std::string& address, int port, std::string& error);
    // Starts answering on the listener's own thread.
    void Serve();
    // Stops answering; waits at most the keep-alive time for idle connections to close.
    void Stop();

private:
    std::unique_ptr<httplib::Server> m_server;
    bool m_tlsFailed = false;
    std::thread m_thread;
};
