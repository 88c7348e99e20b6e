#pragma once
// Notices push messages as they arrive on the push port and announces each to the main frame
// (WM_PUSH_ARRIVED), on a thread of its own. The announcement is sent, not posted: the thread waits
// until the view has read the message from the port before it looks again, so one message is
// announced once.
//
// Owned by the front end. Destroy it after the frame's window is gone when the destructor runs on the
// user-interface thread: the watcher's thread may be waiting for that window.

#include "platform/Window.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

class CPushPort;

class CPushWatcher {
public:
    explicit CPushWatcher(HWND frame);
    ~CPushWatcher();
    CPushWatcher(const CPushWatcher&) = delete;
    CPushWatcher& operator=(const CPushWatcher&) = delete;

    // Opens the push port and starts watching. False, with the reason in `error`, when the port
    // cannot be bound; the program then runs without pushes.
    bool Start(std::string& error);
    std::uint16_t Port() const;

private:
    void Watch();

    const HWND m_frame;
    std::unique_ptr<CPushPort> m_port;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
