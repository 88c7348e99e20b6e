#include "core/CMainFrame.h"

#include "service/Messages.h"

CMainFrame::CMainFrame(CMessagePump& pump, HWND view) : m_view(view), m_handle(RegisterWindow(*this, pump)) {}

CMainFrame::~CMainFrame()
{
    UnregisterWindow(m_handle);
}

LRESULT CMainFrame::OnMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PUSH_ARRIVED)
        SendMessage(m_view, WM_PUSH, wParam, lParam);
    return 0;
}
