#include "platform/PushPort.h"

#include "platform/Clock.h"
#include "platform/DeviceConfig.h"
#include "platform/UdpSocket.h"

#include <algorithm>
#include <charconv>
#include <mutex>

namespace {

// The largest payload a UDP datagram can carry.
constexpr std::size_t kMaxDatagramBytes = 65507;
// How often a wait looks at the socket. A socket cannot wait on the installed clock, so the wait
// sleeps on the clock between looks: a virtual clock then passes a minute of waiting at once.
constexpr std::uint32_t kLookEveryMs = 20;

std::optional<std::uint16_t> ConfiguredPort(std::string* error)
{
    const std::string text = CDeviceConfig::GetOr("push-port", std::to_string(kDefaultPushPort));
    std::uint16_t port = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (status != std::errc() || end != text.data() + text.size() || text.empty()) {
        if (error)
            *error = "push-port \"" + text + "\" is not a port number";
        return std::nullopt;
    }
    return port;
}

} // namespace

struct CPushPort::Binding {
    std::mutex mutex;
    CUdpSocket socket;
    std::optional<std::string> waiting; // the message at the head of the queue, once looked at

    // Whether a message waits, taking it from the socket when none was looked at yet.
    bool HasMessage()
    {
        while (!waiting) {
            std::optional<Datagram> datagram = socket.Receive(0, kMaxDatagramBytes);
            if (!datagram)
                return false;
            if (!datagram->bytes.empty())
                waiting = std::move(datagram->bytes);
        }
        return true;
    }
};

namespace {

// Guards the process's binding while it is shared out or released.
std::mutex s_bindingMutex;

} // namespace

std::unique_ptr<CPushPort> CPushPort::Open(std::string* error)
{
    static std::weak_ptr<Binding> s_binding;
    std::lock_guard lock(s_bindingMutex);
    std::shared_ptr<Binding> binding = s_binding.lock();
    if (!binding) {
        const std::optional<std::uint16_t> port = ConfiguredPort(error);
        if (!port)
            return nullptr;
        binding = std::make_shared<Binding>();
        if (!binding->socket.Bind(CDeviceConfig::GetOr("push-address", "0.0.0.0"), *port, error))
            return nullptr;
        s_binding = binding;
    }
    return std::unique_ptr<CPushPort>(new CPushPort(std::move(binding)));
}

CPushPort::CPushPort(std::shared_ptr<Binding> binding) : m_binding(std::move(binding)) {}

CPushPort::~CPushPort()
{
    // The last holder's release closes the socket; the table's weak entry then expires with it.
    std::lock_guard lock(s_bindingMutex);
    m_binding.reset();
}

bool CPushPort::WaitForMessage(std::uint32_t timeoutMs)
{
    CClock& clock = CClock::Get();
    const std::uint32_t start = clock.TickCount();
    for (;;) {
        {
            std::lock_guard lock(m_binding->mutex);
            if (m_binding->HasMessage())
                return true;
        }
        const std::uint32_t waited = clock.TickCount() - start;
        if (waited >= timeoutMs)
            return false;
        clock.Sleep(std::min(kLookEveryMs, timeoutMs - waited));
    }
}

std::size_t CPushPort::NextMessageSize()
{
    std::lock_guard lock(m_binding->mutex);
    return m_binding->HasMessage() ? m_binding->waiting->size() : 0;
}

std::optional<std::string> CPushPort::Read()
{
    std::lock_guard lock(m_binding->mutex);
    if (!m_binding->HasMessage())
        return std::nullopt;
    std::optional<std::string> message = std::move(m_binding->waiting);
    m_binding->waiting.reset();
    return message;
}

std::uint16_t CPushPort::LocalPort() const
{
    std::lock_guard lock(m_binding->mutex);
    return m_binding->socket.LocalPort();
}
