#include "service/UI_Sync.h"

#include "service/Messages.h"

#include <mutex>

namespace {

constinit std::mutex s_mutex;
UI_Sync* s_instance = nullptr;

} // namespace

UI_Sync* UI_Sync::GetInstanceUISync()
{
    std::lock_guard lock(s_mutex);
    if (!s_instance)
        s_instance = new UI_Sync();
    return s_instance;
}

void UI_Sync::Release()
{
    std::lock_guard lock(s_mutex);
    delete s_instance;
    s_instance = nullptr;
}

void UI_Sync::KillDialog()
{
    // Posted, not sent: the worker must not wait for the user-interface thread here.
    if (const HWND dialog = m_dialog.load())
        PostMessage(dialog, WM_CLOSE_WAIT_DIALOG, 0, 0);
}
