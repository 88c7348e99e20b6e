#pragma once
// The event loop of a front end that has no toolkit loop of its own (the terminal front end, and the
// tests of the application logic): a CQueuePump and a CTimerQueue run by the owner thread.
//
// Constructed and run on the user-interface thread only; other threads reach it through Post.

#include "platform/Clock.h"
#include "platform/EventLoop.h"
#include "platform/TimerQueue.h"

class CQueueLoop : public CEventLoop {
public:
    void Post(std::function<void()> task) override { m_pump.Post(std::move(task)); }
    bool IsPumpThread() const override { return m_pump.IsPumpThread(); }
    TimerId StartTimer(std::uint32_t periodMs, std::function<void()> action) override
    {
        return m_timers.Start(periodMs, std::move(action));
    }
    void StopTimer(TimerId id) override { m_timers.Stop(id); }
    void RunUntil(const std::function<bool()>& done) override { RunUntil(done, kInfinite); }

    // Runs messages and due timers until `done()` is true (checked before waiting and after each
    // message or timer) or `limitMs` of real time have passed. Returns done().
    bool RunUntil(const std::function<bool()>& done, std::uint32_t limitMs);
    // Runs every message queued so far; returns how many ran.
    int RunPending() { return m_pump.RunPending(); }
    // Runs the timers that are due now; returns how many ran.
    int RunDueTimers() { return m_timers.RunDue(); }

private:
    CQueuePump m_pump;
    CTimerQueue m_timers;
};
