#pragma once
// The main window's frame: where a push notification arrives from outside the program (0x80E8); it
// hands it to the view as 0x80FD. Sent rather than posted, so that whoever announced the push learns
// when the view has read it from the push port. User-interface thread only.

#include "platform/Window.h"

class CMainFrame final : public CWindowTarget {
public:
    CMainFrame(CMessagePump& pump, HWND view);
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    HWND Handle() const { return m_handle; }
    LRESULT OnMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;

private:
    HWND m_view;
    HWND m_handle;
};
