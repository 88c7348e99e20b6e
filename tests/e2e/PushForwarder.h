#pragma once
// The front end's part in a push, for the end-to-end tests: on a thread of its own it notices each
// message that arrives on the handset's push port and sends WM_PUSH to the application window, whose
// user-interface thread reads it with ProcessMessageCIR. The message is sent, not posted, so one
// message is forwarded once. The forwarder keeps the port bound while it lives, so the server's pushes
// find it even while nobody reads.
//
// Owned by one test; stop it (destroy it) before the window goes.

#include "platform/Window.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

class CPushPort;

class CPushForwarder {
public:
    CPushForwarder();
    ~CPushForwarder();
    CPushForwarder(const CPushForwarder&) = delete;
    CPushForwarder& operator=(const CPushForwarder&) = delete;

    // Binds the push port the device configuration names and starts forwarding to `window`. False,
    // with the reason in `error`, when the port cannot be bound.
    bool Start(HWND window, std::string& error);
    void Stop();
    // The bound port (the system's choice when the configuration says 0).
    std::uint16_t Port() const;

private:
    void Forward();

    HWND m_window = 0;
    std::unique_ptr<CPushPort> m_port;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
