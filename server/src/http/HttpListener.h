#pragma once
// One HTTP or HTTPS listener of the server: an httplib server bound to an address and port, serving
// on its own thread until Stop.
//
// Every connection is served under ConnectionLimits (GuardedConnection.h): kept-alive connections stay
// open for many requests (the handset keeps one connection for a whole operation) but no peer can hold
// a worker longer than the limits allow, heads and bodies are capped, and a handler that throws
// answers 500 instead of ending the program. The pool may grow to more workers than a crowd of idle or
// slow connections fills.

#include "http/GuardedConnection.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}
class CListenQueue;

struct TlsFiles {
    std::string certificate; // PEM; empty: plain HTTP
    std::string privateKey;
};

class CHttpListener {
public:
    // Plain HTTP, or HTTPS with the given certificate and key; up to `workers` connections are served at
    // once (more wait in the queue).
    CHttpListener(const TlsFiles& tls, const ConnectionLimits& limits, std::size_t workers);
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
    // Stops answering; every connection ends within a fraction of a second, whatever its peer does.
    void Stop();

private:
    const ConnectionLimits m_limits;
    CListenQueue* m_listenQueue = nullptr; // the server's own view of its listen queue
    std::unique_ptr<httplib::Server> m_server;
    bool m_tlsFailed = false;
    std::atomic<bool> m_listenEnded{false};
    std::thread m_thread;
};
