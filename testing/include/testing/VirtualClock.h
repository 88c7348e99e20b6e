#pragma once
// A clock for tests on which time moves only when someone makes it move.
//
// Auto-advance (the default): a wait or sleep whose condition is not met jumps the clock forward to
// its deadline at once, running any scheduled actions that fall due on the way (on the waiting thread,
// in time order); an action that makes the condition true ends the wait at that moment. A loop of 80
// waits of 500 ms thus takes no real time and the clock reads 40 s later.
// Manual: waits block in real time until another thread calls Advance() past their deadline or the
// condition becomes true (an event set from another thread ends the wait early).
//
// Thread-safe. Actions run without any lock of the clock or of the waiter held, so they may set events,
// schedule more actions or read the clock. Advance, ScheduleAt and SetMode lock the mutex of each
// waiter to wake it: never call them while holding a mutex that someone waits with on this clock.

#include "platform/Clock.h"

#include <cstddef>
#include <memory>

class CVirtualClock final : public CClock {
public:
    enum class Mode : std::uint8_t { AutoAdvance, Manual };

    // The default start is 2007-01-01 00:00 UTC.
    explicit CVirtualClock(FileTime start = kFileTimeAt1970 + 1167609600000ULL * 10000ULL,
                           Mode mode = Mode::AutoAdvance);
    ~CVirtualClock() override;
    CVirtualClock(const CVirtualClock&) = delete;
    CVirtualClock& operator=(const CVirtualClock&) = delete;

    FileTime UtcNow() override;
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   const std::function<bool()>& ready, std::uint32_t timeout) override;

    // Moves time forward, runs the actions that fall due (on this thread) and wakes waiters whose
    // deadline has passed.
    void Advance(std::uint32_t milliseconds);
    // Runs `action` when the clock reaches `elapsedMs` milliseconds after its start. Actions due at the
    // same moment run in the order they were scheduled; one already due runs at the next wait
    // (auto-advance) or Advance.
    void ScheduleAt(std::uint64_t elapsedMs, std::function<void()> action);
    void SetMode(Mode mode);

    // Milliseconds since the clock's start.
    std::uint64_t ElapsedMs();
    // Number of waits and sleeps that ended by time-out (so tests can count rounds).
    std::uint64_t TimedOutWaits();
    // Number of waits and sleeps in progress. In manual mode a test polls it (with a real-time
    // limit) to know that the code under test is blocked before it calls Advance().
    std::size_t Waiters();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
