#pragma once
// The bridge between the user interface and a running flow: the stop flag (set by the user interface
// when the user presses Stop, read by the flows between steps) and the progress dialog, which the
// service can close. Process-wide; both words are atomic because two threads touch them.

#include "platform/Window.h"

#include <atomic>
#include <cstdint>

class UI_Sync {
public:
    static UI_Sync* GetInstanceUISync();
    static void Release();

    std::atomic<std::int32_t> m_stop{0};

    bool IsStopped() const { return m_stop.load() != 0; }
    void SetStop(bool stop) { m_stop.store(stop ? 1 : 0); }

    // Remembers the progress dialog's window.
    void SetDialogPtr(HWND dialog) { m_dialog.store(dialog); }
    HWND DialogWindow() const { return m_dialog.load(); }
    // Asks the progress dialog to close (posts 45688 to it).
    void KillDialog();

private:
    std::atomic<HWND> m_dialog{0};
};
