#include "platform/Window.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

// The result of one SendMessage from another thread. Completed once: by the handler, or with 0 when
// the message is dropped (window unregistered, pump gone with the message still queued).
class SendState {
public:
    void Complete(LRESULT result)
    {
        std::lock_guard lock(m_mutex);
        if (m_done)
            return;
        m_result = result;
        m_done = true;
        m_cv.notify_all();
    }

    LRESULT Wait()
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return m_done; });
        return m_result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    LRESULT m_result = 0;
};

// Lives inside the queued task: if the task is destroyed without running, the sender gets 0.
class SendCompletion {
public:
    explicit SendCompletion(std::shared_ptr<SendState> sendState) : state(std::move(sendState)) {}
    SendCompletion(const SendCompletion&) = delete;
    SendCompletion& operator=(const SendCompletion&) = delete;
    ~SendCompletion() { state->Complete(0); }

    const std::shared_ptr<SendState> state;
};

struct WindowEntry {
    CWindowTarget* target;
    CMessagePump* pump;
    std::vector<std::thread::id> runningOn;               // threads inside a handler of this window
    std::vector<std::shared_ptr<SendState>> pendingSends; // queued, not yet started
};

struct WindowTable {
    std::mutex mutex;
    std::condition_variable handlerReturned;
    std::unordered_map<HWND, std::shared_ptr<WindowEntry>> windows;
    HWND lastHandle = 0;
};

WindowTable& Table()
{
    static WindowTable table;
    return table;
}

// Runs the window's handler on the calling thread; 0 when the window is no longer registered.
LRESULT Dispatch(HWND window, std::uint32_t message, WPARAM wParam, LPARAM lParam,
                 const std::shared_ptr<SendState>& send)
{
    WindowTable& table = Table();
    std::shared_ptr<WindowEntry> entry;
    {
        std::lock_guard lock(table.mutex);
        const auto found = table.windows.find(window);
        if (found == table.windows.end())
            return 0;
        entry = found->second;
        if (send) {
            auto& pending = entry->pendingSends;
            pending.erase(std::remove(pending.begin(), pending.end(), send), pending.end());
        }
        entry->runningOn.push_back(std::this_thread::get_id());
    }
    const LRESULT result = entry->target->OnMessage(message, wParam, lParam);
    {
        std::lock_guard lock(table.mutex);
        auto& running = entry->runningOn;
        running.erase(std::find(running.begin(), running.end(), std::this_thread::get_id()));
    }
    table.handlerReturned.notify_all();
    return result;
}

} // namespace

HWND RegisterWindow(CWindowTarget& target, CMessagePump& pump)
{
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    const HWND window = ++table.lastHandle;
    assert(window != 0 && "window handles are never reused");
    table.windows.emplace(window, std::make_shared<WindowEntry>(WindowEntry{&target, &pump, {}, {}}));
    return window;
}

void UnregisterWindow(HWND window)
{
    WindowTable& table = Table();
    std::shared_ptr<WindowEntry> entry;
    {
        std::unique_lock lock(table.mutex);
        const auto found = table.windows.find(window);
        if (found == table.windows.end())
            return;
        entry = found->second;
        table.windows.erase(found);
        // A handler of this window on the calling thread is the caller itself (a window closing
        // itself); only handlers on other threads are waited for.
        const auto self = std::this_thread::get_id();
        table.handlerReturned.wait(lock, [&] {
            return std::all_of(entry->runningOn.begin(), entry->runningOn.end(),
                               [&](std::thread::id id) { return id == self; });
        });
    }
    // Senders waiting for a message that will now never be handled get 0 at once.
    for (const auto& send : entry->pendingSends)
        send->Complete(0);
}

bool IsWindow(HWND window)
{
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    return window != 0 && table.windows.count(window) != 0;
}

bool PostMessage(HWND window, std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    WindowTable& table = Table();
    // The table stays locked while the task is queued, so the pump cannot be unregistered and
    // destroyed under our feet.
    std::lock_guard lock(table.mutex);
    const auto found = table.windows.find(window);
    if (found == table.windows.end())
        return false;
    found->second->pump->Post([=] { Dispatch(window, message, wParam, lParam, nullptr); });
    return true;
}

LRESULT SendMessage(HWND window, std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    WindowTable& table = Table();
    std::shared_ptr<SendState> state;
    {
        std::lock_guard lock(table.mutex);
        const auto found = table.windows.find(window);
        if (found == table.windows.end())
            return 0;
        WindowEntry& entry = *found->second;
        if (!entry.pump->IsPumpThread()) {
            state = std::make_shared<SendState>();
            entry.pendingSends.push_back(state);
            auto completion = std::make_shared<SendCompletion>(state);
            entry.pump->Post([=] {
                completion->state->Complete(Dispatch(window, message, wParam, lParam, completion->state));
            });
        }
    }
    if (!state)
        return Dispatch(window, message, wParam, lParam, nullptr);
    return state->Wait();
}
