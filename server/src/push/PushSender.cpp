#include "push/PushSender.h"

#include "ServerLog.h"
#include "platform/UdpSocket.h"

namespace {

std::string Describe(const PushTarget& target, std::string_view text)
{
    const std::string_view word = text.substr(0, text.find(' '));
    return "push \"" + std::string(word) + "\" to " + target.address + " port " + std::to_string(target.port);
}

bool Send(CUdpSocket& socket, const PushTarget& target, std::string_view text, std::string& error)
{
    if (target.port <= 0 || target.port > 65535) {
        error = "push port " + std::to_string(target.port) + " is not a UDP port";
        return false;
    }
    return socket.SendTo(target.address, static_cast<std::uint16_t>(target.port), text, &error);
}

} // namespace

std::optional<PushTarget> PushTargetOf(const DeviceRecord& device, int defaultPort)
{
    PushTarget target;
    target.address = device.pushAddress.empty() ? device.lastAddress : device.pushAddress;
    target.port = device.pushPort != 0 ? device.pushPort : defaultPort;
    if (target.address.empty())
        return std::nullopt;
    return target;
}

CPushSender::CPushSender(std::chrono::milliseconds delay) : m_delay(delay), m_thread([this] { Run(); }) {}

CPushSender::~CPushSender()
{
    Stop();
}

bool CPushSender::SendNow(const PushTarget& target, std::string_view text, std::string& error)
{
    CUdpSocket socket;
    const bool sent = Send(socket, target, text, error);
    ServerLog(Describe(target, text) + (sent ? ": sent" : ": failed: " + error));
    return sent;
}

void CPushSender::SendLater(PushTarget target, std::string text)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping)
            return;
        m_queue.push_back({std::chrono::steady_clock::now() + m_delay, std::move(target), std::move(text)});
    }
    m_wake.notify_one();
}

void CPushSender::Stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping && !m_thread.joinable())
            return;
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void CPushSender::Run()
{
    CUdpSocket socket;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            break;
        // Every push waits the same delay, so the queue is in order of due time.
        if (!m_wake.wait_until(lock, m_queue.front().due, [this] { return m_stopping; })) {
            Pending next = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            std::string error;
            const bool sent = Send(socket, next.target, next.text, error);
            ServerLog(Describe(next.target, next.text) + (sent ? ": sent" : ": failed: " + error));
            lock.lock();
        }
    }
    for (const Pending& dropped : m_queue)
        ServerLog(Describe(dropped.target, dropped.text) + ": dropped, the server is stopping");
    m_queue.clear();
}
