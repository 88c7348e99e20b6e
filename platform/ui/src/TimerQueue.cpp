#include "platform/TimerQueue.h"

#include "platform/Clock.h"

#include <algorithm>
#include <cassert>

namespace {

// Ticks wrap around after 49.7 days; the signed difference stays right for periods below half that.
std::int32_t TicksUntil(std::uint32_t due, std::uint32_t now)
{
    return static_cast<std::int32_t>(due - now);
}

} // namespace

CTimerQueue::TimerId CTimerQueue::Start(std::uint32_t periodMs, std::function<void()> action)
{
    assert(periodMs > 0 && periodMs < 0x80000000u && "a timer period is positive and below 24 days");
    const TimerId id = ++m_lastId;
    m_timers.push_back(Timer{id, periodMs, CClock::Get().TickCount() + periodMs, std::move(action)});
    return id;
}

void CTimerQueue::Stop(TimerId id)
{
    std::erase_if(m_timers, [id](const Timer& timer) { return timer.id == id; });
}

std::optional<std::uint32_t> CTimerQueue::MsUntilNext() const
{
    if (m_timers.empty())
        return std::nullopt;
    const std::uint32_t now = CClock::Get().TickCount();
    std::int32_t nearest = TicksUntil(m_timers.front().dueTick, now);
    for (const Timer& timer : m_timers)
        nearest = std::min(nearest, TicksUntil(timer.dueTick, now));
    return static_cast<std::uint32_t>(std::max(nearest, 0));
}

int CTimerQueue::RunDue()
{
    const std::uint32_t now = CClock::Get().TickCount();
    std::vector<Timer> due;
    for (const Timer& timer : m_timers) {
        if (TicksUntil(timer.dueTick, now) <= 0)
            due.push_back(timer);
    }
    std::stable_sort(due.begin(), due.end(), [now](const Timer& a, const Timer& b) {
        return TicksUntil(a.dueTick, now) < TicksUntil(b.dueTick, now);
    });
    int ran = 0;
    for (const Timer& timer : due) {
        // An earlier action may have stopped this timer.
        const auto live = std::find_if(m_timers.begin(), m_timers.end(),
                                       [&](const Timer& candidate) { return candidate.id == timer.id; });
        if (live == m_timers.end())
            continue;
        live->dueTick = now + live->periodMs;
        // A copy: the action may start or stop timers, which moves the vector's elements.
        const std::function<void()> action = live->action;
        action();
        ++ran;
    }
    return ran;
}
