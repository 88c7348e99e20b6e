#pragma once
// Periodic timers of the user-interface thread, timed by the installed clock.
//
// Nothing here has a thread of its own: the front end's loop asks how long it may wait
// (MsUntilNext) and runs the due timers (RunDue) on its thread. So a test with a virtual clock fires
// a timer by advancing the clock and calling RunDue. Used by the user-interface thread only.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CTimerQueue {
public:
    using TimerId = int;

    // Runs `action` every `periodMs` milliseconds from now on. Returns an id for Stop (never 0).
    TimerId Start(std::uint32_t periodMs, std::function<void()> action);
    // Forgets the timer; unknown ids are ignored. A timer may stop itself from its action.
    void Stop(TimerId id);

    // Milliseconds until the next timer is due (0 when one is due); nothing without timers.
    std::optional<std::uint32_t> MsUntilNext() const;
    // Runs every due timer once, in the order they fall due, and schedules each a full period after
    // now: a timer that is late by several periods fires once, as the handset's timers did. Returns
    // how many ran.
    int RunDue();

private:
    struct Timer {
        TimerId id;
        std::uint32_t periodMs;
        std::uint32_t dueTick; // tick count of the installed clock
        std::function<void()> action;
    };

    std::vector<Timer> m_timers;
    TimerId m_lastId = 0;
};
