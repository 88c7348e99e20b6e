#pragma once
// Window handles and messages, as the handset's services and programs talk to each other.
//
// A window is anything that handles messages (CWindowTarget) and belongs to a message pump, the loop of
// the thread that owns it (the user-interface thread). PostMessage queues a message on the owner's pump
// and returns at once; SendMessage runs the handler on the owner's thread and waits for its result (it
// calls the handler directly when the caller is the owner's thread). A message to a handle that is no
// longer registered is dropped: PostMessage returns false, SendMessage returns 0. A sender waiting for
// a window that is unregistered, or whose pump is destroyed, before its message ran gets 0 at once
// rather than waiting for ever. Thread-safe.
//
// The front ends install their own pump (the Qt front end posts into Qt's event loop); tests and the
// terminal front end use CQueuePump.

#include <cstdint>
#include <functional>
#include <memory>

using HWND = std::uint32_t; // 0 is no window
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

class CMessagePump {
public:
    virtual ~CMessagePump() = default;
    // Queues `task` to run on the pump's thread. Any thread may call it.
    virtual void Post(std::function<void()> task) = 0;
    // True when called on the pump's thread.
    virtual bool IsPumpThread() const = 0;
};

class CWindowTarget {
public:
    virtual ~CWindowTarget() = default;
    virtual LRESULT OnMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) = 0;
};

// Registers a target owned by `pump`; returns its new handle (never 0, never reused in a process).
// Both must outlive the registration.
HWND RegisterWindow(CWindowTarget& target, CMessagePump& pump);
// Forgets the handle. Waits until a handler of this window that is running on another thread has
// returned, so the target may be destroyed right after.
void UnregisterWindow(HWND window);
bool IsWindow(HWND window);
bool PostMessage(HWND window, std::uint32_t message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessage(HWND window, std::uint32_t message, WPARAM wParam, LPARAM lParam);

// A pump whose tasks run when its owner thread (the one that constructed it) asks for them.
class CQueuePump final : public CMessagePump {
public:
    CQueuePump();
    ~CQueuePump() override;

    void Post(std::function<void()> task) override;
    bool IsPumpThread() const override;

    // Runs every task queued so far; returns how many ran.
    int RunPending();
    // Runs tasks as they arrive until `done()` is true (checked after each task) or `timeoutMs` of real
    // time passed; returns done(). For modal loops: the wait dialog runs until it is closed.
    bool RunUntil(const std::function<bool()>& done, std::uint32_t timeoutMs);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
