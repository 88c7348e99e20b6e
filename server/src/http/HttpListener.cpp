#include "http/HttpListener.h"

#include "ServerLog.h"
#include "http/WorkerPool.h"

#include <httplib.h>

// Connections that arrive while the accepting thread is busy wait in the listen queue; the library asks
// for 5 places only, and a peer whose connection finds the queue full waits a second to try again.
class CListenQueue {
public:
    virtual ~CListenQueue() = default;
    virtual void Widen() = 0;
};

namespace {

// The HTTP library's server with each accepted connection served by ServeConnection over the given
// kind of channel instead of its own loop; the library still parses, routes and writes the answers.
template <typename Base> class CGuardedServer final : public Base, public CListenQueue {
public:
    template <typename... Arguments>
    explicit CGuardedServer(const ConnectionLimits& limits, const Arguments&... arguments)
        : Base(arguments...), m_limits(limits)
    {}

    void Widen() override { ::listen(this->svr_sock_, SOMAXCONN); }

private:
    bool process_and_close_socket(socket_t socket) override
    {
        const StopCheck stopping = [this] { return this->svr_sock_ == INVALID_SOCKET; };
        const std::unique_ptr<CByteChannel> channel = OpenChannel(socket, stopping);
        ServeConnection(*channel, m_limits, [this](httplib::Stream& stream, bool last, bool& closed) {
            return this->process_request(stream, last, closed, nullptr);
        });
        return true;
    }

    std::unique_ptr<CByteChannel> OpenChannel(socket_t socket, const StopCheck& stopping);

    const ConnectionLimits& m_limits;
};

template <>
std::unique_ptr<CByteChannel> CGuardedServer<httplib::Server>::OpenChannel(socket_t socket,
                                                                           const StopCheck& stopping)
{
    return MakePlainChannel(socket, stopping);
}

template <>
std::unique_ptr<CByteChannel> CGuardedServer<httplib::SSLServer>::OpenChannel(socket_t socket,
                                                                              const StopCheck& stopping)
{
    return MakeTlsChannel(socket, ssl_context(), stopping);
}

template <typename Server, typename... Arguments>
std::unique_ptr<httplib::Server> MakeGuarded(CListenQueue*& queue, const Arguments&... arguments)
{
    auto server = std::make_unique<Server>(arguments...);
    queue = server.get();
    return server;
}

std::unique_ptr<httplib::Server> MakeServer(const TlsFiles& tls, const ConnectionLimits& limits,
                                            CListenQueue*& queue)
{
    if (tls.certificate.empty())
        return MakeGuarded<CGuardedServer<httplib::Server>>(queue, limits);
    return MakeGuarded<CGuardedServer<httplib::SSLServer>>(queue, limits, tls.certificate.c_str(),
                                                           tls.privateKey.c_str());
}

} // namespace

CHttpListener::CHttpListener(const TlsFiles& tls, const ConnectionLimits& limits, std::size_t workers)
    : m_limits(limits), m_server(MakeServer(tls, m_limits, m_listenQueue))
{
    m_tlsFailed = !m_server->is_valid();
    // Answers go out as header and body writes; without this, delayed acknowledgements hold every
    // second write of a kept-alive connection back by tens of milliseconds.
    m_server->set_tcp_nodelay(true);
    m_server->new_task_queue = [workers] { return NewWorkerPool(workers); };
    // Only for the Keep-Alive header of the answers: ServeConnection keeps these limits.
    m_server->set_keep_alive_max_count(limits.requestsPerConnection);
    m_server->set_keep_alive_timeout(std::chrono::duration_cast<std::chrono::seconds>(limits.idleTime).count());
    m_server->set_payload_max_length(limits.maxBodyBytes);
    m_server->set_exception_handler(
        [](const httplib::Request& request, httplib::Response& response, std::exception_ptr error) {
            std::string what = "unknown exception";
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& exception) {
                what = exception.what();
            } catch (...) {
            }
            ServerLog(LoggedText(request.method) + " " + LoggedText(request.path, 160) + ": handler failed: " + what);
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
    m_listenQueue->Widen();
    return bound;
}

void CHttpListener::Serve()
{
    m_thread = std::thread([this] {
        m_server->listen_after_bind();
        m_listenEnded = true;
    });
}

void CHttpListener::Stop()
{
    if (!m_thread.joinable())
        return;
    // The library marks its server running only once its thread starts listening, and ignores a stop
    // that comes before: a stop right after Serve would be lost.
    while (!m_server->is_running() && !m_listenEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_server->stop();
    m_thread.join();
}
