#include "http/WorkerPool.h"

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class CWorkerPool final : public httplib::TaskQueue {
public:
    explicit CWorkerPool(std::size_t maxWorkers) : m_max(maxWorkers) {}

    ~CWorkerPool() override { shutdown(); }

    void enqueue(std::function<void()> job) override
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_jobs.push_back(std::move(job));
            if (m_jobs.size() > m_idle && m_threads.size() < m_max && !m_stopping)
                m_threads.emplace_back([this] { Work(); });
        }
        m_wake.notify_one();
    }

    // Lets the workers finish what is queued, then joins them.
    void shutdown() override
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        for (std::thread& thread : m_threads) {
            if (thread.joinable())
                thread.join();
        }
    }

private:
    void Work()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            ++m_idle;
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            --m_idle;
            if (m_jobs.empty())
                return;
            std::function<void()> job = std::move(m_jobs.front());
            m_jobs.pop_front();
            lock.unlock();
            job();
            lock.lock();
        }
    }

    const std::size_t m_max;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    std::vector<std::thread> m_threads; // only ever grows, and only before the stop
    std::size_t m_idle = 0;
    bool m_stopping = false;
};

} // namespace

httplib::TaskQueue* NewWorkerPool(std::size_t maxWorkers)
{
    return new CWorkerPool(maxWorkers);
}
