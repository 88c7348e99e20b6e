#include "testing/VirtualClock.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <map>
#include <set>
#include <vector>

namespace {

constexpr std::uint64_t kNoDeadline = std::numeric_limits<std::uint64_t>::max();

// A thread inside WaitUntil: the mutex and condition variable it waits with. Advance wakes it by
// locking that mutex before notifying, so a waiter between its check of the time and its wait cannot
// miss the wake-up.
struct Waiter {
    std::mutex* mutex;
    std::condition_variable* cv;
    int notifying = 0; // wake-ups in flight that still use mutex and cv; guarded by the clock's mutex
};

} // namespace

struct CVirtualClock::Impl {
    std::mutex mutex;
    std::condition_variable idle; // signalled when a wake-up in flight has finished
    const FileTime start;
    std::uint64_t elapsedMs = 0;
    Mode mode;
    std::uint64_t timedOut = 0;
    std::multimap<std::uint64_t, std::function<void()>> actions; // equal times keep scheduling order
    std::set<Waiter*> waiters;

    Impl(FileTime startTime, Mode startMode)
        : start(startTime)
        , mode(startMode)
    {
    }

    // The first action due at or before `limit`, with the clock moved to it; empty when none is due.
    // `mutex` held.
    std::function<void()> TakeDue(std::uint64_t limit)
    {
        auto first = actions.begin();
        if (first == actions.end() || first->first > limit)
            return {};
        elapsedMs = std::max(elapsedMs, first->first);
        std::function<void()> action = std::move(first->second);
        actions.erase(first);
        return action;
    }

    // Wakes every waiter so that it looks at the clock and its condition again. `mutex` not held.
    void WakeWaiters()
    {
        std::vector<Waiter*> targets;
        {
            std::lock_guard lock(mutex);
            for (Waiter* waiter : waiters) {
                ++waiter->notifying;
                targets.push_back(waiter);
            }
        }
        for (Waiter* waiter : targets) {
            std::lock_guard waiterLock(*waiter->mutex);
            waiter->cv->notify_all();
        }
        {
            std::lock_guard lock(mutex);
            for (Waiter* waiter : targets)
                --waiter->notifying;
        }
        idle.notify_all();
    }

    // Unregisters `self`; false when a wake-up in flight made it drop and retake the caller's lock,
    // after which the caller's condition must be looked at again.
    bool Leave(Waiter& self, std::unique_lock<std::mutex>& callerLock)
    {
        {
            std::lock_guard lock(mutex);
            if (self.notifying == 0) {
                waiters.erase(&self);
                return true;
            }
        }
        // The waker needs the caller's mutex to finish; it must not outlive us.
        callerLock.unlock();
        {
            std::unique_lock lock(mutex);
            idle.wait(lock, [&] { return self.notifying == 0; });
            waiters.erase(&self);
        }
        callerLock.lock();
        return false;
    }
};

CVirtualClock::CVirtualClock(FileTime start, Mode mode)
    : m_impl(std::make_unique<Impl>(start, mode))
{
}

CVirtualClock::~CVirtualClock()
{
    assert(m_impl->waiters.empty() && "a virtual clock was destroyed while a thread waits on it");
}

FileTime CVirtualClock::UtcNow()
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->start + m_impl->elapsedMs * 10000;
}

std::uint32_t CVirtualClock::TickCount()
{
    std::lock_guard lock(m_impl->mutex);
    return static_cast<std::uint32_t>(m_impl->elapsedMs);
}

void CVirtualClock::Sleep(std::uint32_t milliseconds)
{
    std::mutex mutex;
    std::condition_variable cv;
    std::unique_lock lock(mutex);
    WaitUntil(lock, cv, [] { return false; }, milliseconds);
}

bool CVirtualClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                              const std::function<bool()>& ready, std::uint32_t timeout)
{
    if (ready())
        return true;
    Impl& impl = *m_impl;
    if (timeout == 0) {
        std::lock_guard clockLock(impl.mutex);
        ++impl.timedOut;
        return false;
    }

    Waiter self{lock.mutex(), &cv};
    std::uint64_t deadline = kNoDeadline;
    {
        std::lock_guard clockLock(impl.mutex);
        impl.waiters.insert(&self);
        if (timeout != kInfinite)
            deadline = impl.elapsedMs + timeout;
    }

    for (;;) {
        bool signaled = ready();
        bool expired = false;
        if (!signaled) {
            std::function<void()> action;
            {
                std::lock_guard clockLock(impl.mutex);
                if (impl.mode == Mode::AutoAdvance) {
                    action = impl.TakeDue(deadline);
                    if (!action && deadline != kNoDeadline) {
                        impl.elapsedMs = std::max(impl.elapsedMs, deadline);
                        expired = true;
                    }
                } else {
                    expired = impl.elapsedMs >= deadline;
                }
            }
            if (action) {
                // The action may set the very event this thread waits for, which needs its mutex.
                lock.unlock();
                action();
                lock.lock();
                continue;
            }
            if (!expired) {
                cv.wait(lock);
                continue;
            }
        }

        if (!impl.Leave(self, lock)) {
            // The caller's lock was dropped for a moment: someone may have taken what we saw (an
            // auto-reset event), or set it.
            if (ready()) {
                signaled = true;
            } else if (signaled) {
                std::lock_guard clockLock(impl.mutex);
                impl.waiters.insert(&self);
                continue;
            }
        }
        if (!signaled) {
            std::lock_guard clockLock(impl.mutex);
            ++impl.timedOut;
        }
        return signaled;
    }
}

void CVirtualClock::Advance(std::uint32_t milliseconds)
{
    Impl& impl = *m_impl;
    std::uint64_t target = 0;
    {
        std::lock_guard lock(impl.mutex);
        target = impl.elapsedMs + milliseconds;
    }
    for (;;) {
        std::function<void()> action;
        {
            std::lock_guard lock(impl.mutex);
            action = impl.TakeDue(target);
            if (!action)
                impl.elapsedMs = std::max(impl.elapsedMs, target);
        }
        if (!action)
            break;
        // Let waiters look at each moment the clock stops at, not only the last one.
        impl.WakeWaiters();
        action();
    }
    impl.WakeWaiters();
}

void CVirtualClock::ScheduleAt(std::uint64_t elapsedMs, std::function<void()> action)
{
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->actions.emplace(elapsedMs, std::move(action));
    }
    // An auto-advance waiter without a deadline sleeps until there is something to run.
    m_impl->WakeWaiters();
}

void CVirtualClock::SetMode(Mode mode)
{
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->mode = mode;
    }
    m_impl->WakeWaiters();
}

std::uint64_t CVirtualClock::ElapsedMs()
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->elapsedMs;
}

std::uint64_t CVirtualClock::TimedOutWaits()
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->timedOut;
}

std::size_t CVirtualClock::Waiters()
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->waiters.size();
}
