#include "platform/QueueLoop.h"

#include <algorithm>
#include <chrono>

bool CQueueLoop::RunUntil(const std::function<bool()>& done, std::uint32_t limitMs)
{
    using Clock = std::chrono::steady_clock;
    const bool unlimited = limitMs == kInfinite;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        m_timers.RunDue();
        if (done())
            return true;
        std::uint32_t wait = kInfinite - 1;
        if (!unlimited) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return done();
            wait = static_cast<std::uint32_t>(left);
        }
        if (const std::optional<std::uint32_t> next = m_timers.MsUntilNext())
            wait = std::min(wait, *next);
        // Returns after the first message that makes either true, or when the wait is over.
        m_pump.RunUntil([&] { return done() || m_timers.MsUntilNext() == 0u; }, wait);
    }
}
