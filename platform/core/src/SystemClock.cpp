#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

class CSystemClock final : public CClock {
public:
    FileTime UtcNow() override
    {
        const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
        const auto units = std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>>(
            sinceEpoch);
        return kFileTimeAt1970 + static_cast<FileTime>(units.count());
    }

    std::uint32_t TickCount() override
    {
        // The monotonic clock counts from boot, as the handset's tick count does; the cast wraps it
        // every 49.7 days the same way.
        const auto sinceBoot = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceBoot).count());
    }

    void Sleep(std::uint32_t milliseconds) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, const std::function<bool()>& ready,
                   std::uint32_t timeout) override
    {
        if (timeout == kInfinite) {
            cv.wait(lock, ready);
            return true;
        }
        return cv.wait_for(lock, std::chrono::milliseconds(timeout), ready);
    }
};

CSystemClock& SystemClock()
{
    static CSystemClock clock;
    return clock;
}

std::atomic<CClock*> s_installed{nullptr};

} // namespace

CClock& CClock::Get()
{
    if (CClock* installed = s_installed.load(std::memory_order_acquire))
        return *installed;
    return SystemClock();
}

void CClock::Install(CClock* clock)
{
    s_installed.store(clock, std::memory_order_release);
}
