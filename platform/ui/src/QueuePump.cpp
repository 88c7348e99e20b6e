#include "platform/Window.h"

#include <cassert>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

struct CQueuePump::Impl {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::function<void()>> tasks;
    const std::thread::id owner = std::this_thread::get_id();

    // Takes the next task; empty when there is none.
    std::function<void()> Take()
    {
        std::lock_guard lock(mutex);
        if (tasks.empty())
            return {};
        std::function<void()> task = std::move(tasks.front());
        tasks.pop_front();
        return task;
    }
};

CQueuePump::CQueuePump() : m_impl(std::make_unique<Impl>()) {}

CQueuePump::~CQueuePump()
{
    // Tasks that never ran are destroyed outside the lock: a waiting sender learns from it that its
    // message was dropped.
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(m_impl->mutex);
        dropped.swap(m_impl->tasks);
    }
}

void CQueuePump::Post(std::function<void()> task)
{
    // Notified under the lock: the owner may destroy the pump as soon as it has seen the task.
    std::lock_guard lock(m_impl->mutex);
    m_impl->tasks.push_back(std::move(task));
    m_impl->arrived.notify_all();
}

bool CQueuePump::IsPumpThread() const
{
    return std::this_thread::get_id() == m_impl->owner;
}

int CQueuePump::RunPending()
{
    assert(IsPumpThread() && "a pump runs its tasks on the thread that owns it");
    std::size_t queued = 0;
    {
        std::lock_guard lock(m_impl->mutex);
        queued = m_impl->tasks.size();
    }
    int ran = 0;
    for (; queued > 0; --queued) {
        std::function<void()> task = m_impl->Take();
        if (!task)
            break;
        task();
        ++ran;
    }
    return ran;
}

bool CQueuePump::RunUntil(const std::function<bool()>& done, std::uint32_t timeoutMs)
{
    assert(IsPumpThread() && "a pump runs its tasks on the thread that owns it");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        {
            std::unique_lock lock(m_impl->mutex);
            if (!m_impl->arrived.wait_until(lock, deadline, [this] { return !m_impl->tasks.empty(); }))
                return done();
        }
        if (std::function<void()> task = m_impl->Take())
            task();
    }
    return true;
}
