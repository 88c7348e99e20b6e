#pragma once
// The user-interface loop of a front end that has no toolkit loop of its own (the terminal front end,
// and the tests of the application logic): the thread's message pump and its timers.
//
// Constructed and run on the user-interface thread only; other threads reach it through the pump.

#include "core/TimerQueue.h"
#include "platform/Clock.h"
#include "platform/Window.h"

#include <functional>

class CPumpLoop {
public:
    CQueuePump& Pump() { return m_pump; }
    CTimerQueue& Timers() { return m_timers; }

    // Runs messages and due timers until `done()` is true (checked before waiting and after each
    // message or timer) or `limitMs` of real time have passed. Returns done(). Nested calls are
    // fine: modal dialogs run their own loop inside a message.
    bool RunUntil(const std::function<bool()>& done, std::uint32_t limitMs = kInfinite);

private:
    CQueuePump m_pump;
    CTimerQueue m_timers;
};
