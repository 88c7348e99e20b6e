#pragma once
// The user-interface thread's event loop, as the application sees it: work posted from any thread
// (it is the message pump the application's windows register on, so the messages sent and posted to
// them, progress 45678, close 45688 and show server dialog 45778 among them, run here), periodic
// timers, and nested loops for modal dialogs.
//
// Each front end makes one in main() and hands it to its user interface: the terminal front end and
// the tests a CQueueLoop, the Qt front end one over Qt's own loop. Post may be called from any thread;
// timers and nested loops belong to the loop's thread.

#include "platform/Window.h"

#include <cstdint>
#include <functional>

class CEventLoop : public CMessagePump {
public:
    using TimerId = int;

    // Runs `action` every `periodMs` milliseconds from now on, timed by the installed clock (so tests
    // with a virtual clock fire timers by advancing it). Returns an id for StopTimer, never 0.
    virtual TimerId StartTimer(std::uint32_t periodMs, std::function<void()> action) = 0;
    // Forgets the timer; unknown ids are ignored. A timer may stop itself from its action.
    virtual void StopTimer(TimerId id) = 0;
    // Runs the thread's messages and due timers until `done()` is true, checked after each of them.
    // Nested calls are fine: a modal dialog runs its own loop inside a message. Whoever makes `done()`
    // true from another thread posts something afterwards, so that the loop looks again.
    virtual void RunUntil(const std::function<bool()>& done) = 0;
};
