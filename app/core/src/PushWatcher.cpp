#include "core/PushWatcher.h"

#include "platform/PushPort.h"
#include "service/Messages.h"

#include <chrono>

namespace {

// How long one look at the port lasts: the longest a stop waits for the thread.
constexpr std::uint32_t kLookMs = 200;

} // namespace

CPushWatcher::CPushWatcher(HWND frame) : m_frame(frame) {}

CPushWatcher::~CPushWatcher()
{
    m_stopping.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

bool CPushWatcher::Start(std::string& error)
{
    m_port = CPushPort::Open(&error);
    if (!m_port)
        return false;
    m_thread = std::thread([this] { Watch(); });
    return true;
}

std::uint16_t CPushWatcher::Port() const
{
    return m_port ? m_port->LocalPort() : 0;
}

void CPushWatcher::Watch()
{
    while (!m_stopping.load()) {
        if (!m_port->WaitForMessage(kLookMs))
            continue;
        if (!IsWindow(m_frame))
            return;
        SendMessage(m_frame, WM_PUSH_ARRIVED, 0, 0);
        // A message still waiting may be one the view did not read (it is shutting down): look
        // again only after a pause rather than announcing it in a tight loop.
        if (m_port->NextMessageSize() > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(kLookMs));
    }
}
