#include "PushForwarder.h"

#include "platform/PushPort.h"
#include "service/Messages.h"

namespace {

// How long one look at the port lasts, so that Stop is noticed soon.
constexpr std::uint32_t kLookMs = 50;

} // namespace

CPushForwarder::CPushForwarder() = default;

CPushForwarder::~CPushForwarder()
{
    Stop();
}

bool CPushForwarder::Start(HWND window, std::string& error)
{
    m_port = CPushPort::Open(&error);
    if (!m_port)
        return false;
    m_window = window;
    m_thread = std::thread([this] { Forward(); });
    return true;
}

void CPushForwarder::Stop()
{
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
    m_port.reset();
}

std::uint16_t CPushForwarder::Port() const
{
    return m_port ? m_port->LocalPort() : 0;
}

void CPushForwarder::Forward()
{
    while (!m_stopping) {
        if (!m_port->WaitForMessage(kLookMs))
            continue;
        // Without the window nobody would take the message, and it would be seen again at once.
        if (!IsWindow(m_window))
            return;
        SendMessage(m_window, WM_PUSH, 0, 0);
    }
}
