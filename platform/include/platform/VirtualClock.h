#pragma once
// A clock for tests on which time moves only when someone makes it move.
//
// Auto-advance (the default): a wait or sleep whose condition is not met jumps the clock forward to
// its deadline at once, running any scheduled actions that fall due on the way (on the waiting thread,
// in time order); an action that makes the condition true ends the wait at that moment. A loop of 80
// waits of 500 ms thus takes no real time and the clock reads 40 s later.
// Manual: waits block in real time until another thread calls Advance() past their deadline or the
// condition becomes true (an event set from another thread ends the wait early).

#include "platform/Clock.h"

#include <map>
#include <set>

class CVirtualClock final : public CClock {
public:
    enum class Mode : std::uint8_t { AutoAdvance, Manual };

    explicit CVirtualClock(FileTime start = kFileTimeAt1970 + 1167609600000ULL * 10000ULL,
                           Mode mode = Mode::AutoAdvance);
    ~CVirtualClock() override;

    FileTime UtcNow() override;
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   const std::function<bool()>& ready, std::uint32_t timeout) override;

    // Moves time forward, runs the actions that fall due (on this thread) and wakes waiters whose
    // deadline has passed.
    void Advance(std::uint32_t milliseconds);
    // Runs `action` when the clock reaches `elapsedMs` milliseconds after its start.
    void ScheduleAt(std::uint64_t elapsedMs, std::function<void()> action);
    void SetMode(Mode mode);

    // Milliseconds since the clock's start.
    std::uint64_t ElapsedMs();
    // Number of waits and sleeps that ended by time-out (so tests can count rounds).
    std::uint64_t TimedOutWaits();

private:
    struct Impl;
    Impl* m_impl;
};
