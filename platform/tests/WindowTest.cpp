#include "platform/Window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t kWatchdogMs = 20000;

class RecordingTarget final : public CWindowTarget {
public:
    LRESULT OnMessage(std::uint32_t message, WPARAM wParam, LPARAM) override
    {
        std::lock_guard lock(m_mutex);
        m_seen.push_back(message);
        m_threads.push_back(std::this_thread::get_id());
        return static_cast<LRESULT>(message + wParam);
    }
    std::vector<std::uint32_t> Seen() const
    {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }
    std::vector<std::thread::id> Threads() const
    {
        std::lock_guard lock(m_mutex);
        return m_threads;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::uint32_t> m_seen;
    std::vector<std::thread::id> m_threads;
};

// A handler that blocks until released, to catch UnregisterWindow returning too early.
class BlockingTarget final : public CWindowTarget {
public:
    LRESULT OnMessage(std::uint32_t, WPARAM, LPARAM) override
    {
        entered.set_value();
        release.get_future().wait();
        finished.store(true);
        return 1;
    }
    std::promise<void> entered;
    std::promise<void> release;
    std::atomic<bool> finished{false};
};

} // namespace

TEST(Window, HandlesAreUniqueAndForgottenWhenUnregistered)
{
    CQueuePump pump;
    RecordingTarget target;
    const HWND first = RegisterWindow(target, pump);
    const HWND second = RegisterWindow(target, pump);
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);
    EXPECT_TRUE(IsWindow(first));
    UnregisterWindow(first);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(IsWindow(0));
    UnregisterWindow(first); // twice is harmless
    const HWND third = RegisterWindow(target, pump);
    EXPECT_NE(third, first);
    UnregisterWindow(second);
    UnregisterWindow(third);
}

TEST(Window, PostQueuesWhileSendOnTheOwnerThreadRunsAtOnce)
{
    CQueuePump pump;
    RecordingTarget target;
    const HWND window = RegisterWindow(target, pump);
    EXPECT_TRUE(PostMessage(window, 1, 0, 0));
    EXPECT_EQ(SendMessage(window, 2, 5, 0), 7);
    EXPECT_EQ(target.Seen(), (std::vector<std::uint32_t>{2}));
    EXPECT_EQ(pump.RunPending(), 1);
    EXPECT_EQ(target.Seen(), (std::vector<std::uint32_t>{2, 1}));
    UnregisterWindow(window);
}

TEST(Window, SendFromAWorkerWaitsForThePumpAndRunsOnItsThread)
{
    CQueuePump pump;
    RecordingTarget target;
    const HWND window = RegisterWindow(target, pump);
    std::atomic<LRESULT> result{-1};
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        PostMessage(window, 10, 0, 0);
        result.store(SendMessage(window, 20, 1, 0));
        returned.store(true);
    });
    // The worker cannot return before the pump has run its message.
    EXPECT_TRUE(pump.RunUntil([&] { return target.Seen().size() == 2; }, kWatchdogMs));
    worker.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(result.load(), 21);
    EXPECT_EQ(target.Seen(), (std::vector<std::uint32_t>{10, 20}));
    for (const std::thread::id id : target.Threads())
        EXPECT_EQ(id, std::this_thread::get_id());
    UnregisterWindow(window);
}

TEST(Window, MessagesToAnUnregisteredWindowAreDropped)
{
    CQueuePump pump;
    RecordingTarget target;
    const HWND window = RegisterWindow(target, pump);
    UnregisterWindow(window);
    EXPECT_FALSE(PostMessage(window, 1, 0, 0));
    EXPECT_EQ(SendMessage(window, 1, 0, 0), 0);
    std::thread worker([&] { EXPECT_EQ(SendMessage(window, 1, 0, 0), 0); });
    worker.join();
    EXPECT_EQ(pump.RunPending(), 0);
    EXPECT_TRUE(target.Seen().empty());
}

namespace {

// A queue pump that tells the test when something was queued on it.
class ObservedPump final : public CMessagePump {
public:
    void Post(std::function<void()> task) override
    {
        queue.Post(std::move(task));
        std::lock_guard lock(m_mutex);
        ++m_posted;
        m_cv.notify_all();
    }
    bool IsPumpThread() const override { return queue.IsPumpThread(); }
    bool WaitForPosts(int count)
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::milliseconds(kWatchdogMs), [&] { return m_posted >= count; });
    }
    CQueuePump queue;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_posted = 0;
};

} // namespace

TEST(Window, SenderIsReleasedWithZeroWhenTheWindowGoesWhileItsMessageIsQueued)
{
    ObservedPump pump;
    RecordingTarget target;
    const HWND window = RegisterWindow(target, pump);
    std::promise<LRESULT> sent;
    auto result = sent.get_future();
    std::thread worker([&] { sent.set_value(SendMessage(window, 2, 0, 0)); });
    ASSERT_TRUE(pump.WaitForPosts(1));
    UnregisterWindow(window);
    // Released at once, without the pump running again.
    ASSERT_EQ(result.wait_for(std::chrono::milliseconds(kWatchdogMs)), std::future_status::ready);
    EXPECT_EQ(result.get(), 0);
    worker.join();
    EXPECT_EQ(pump.queue.RunPending(), 1);
    EXPECT_TRUE(target.Seen().empty());
}

TEST(Window, SenderIsReleasedWithZeroWhenThePumpDiesWithItsMessageQueued)
{
    auto pump = std::make_unique<ObservedPump>();
    RecordingTarget target;
    const HWND window = RegisterWindow(target, *pump);
    std::promise<LRESULT> sent;
    auto result = sent.get_future();
    std::thread worker([&] { sent.set_value(SendMessage(window, 3, 0, 0)); });
    ASSERT_TRUE(pump->WaitForPosts(1));
    pump.reset();
    ASSERT_EQ(result.wait_for(std::chrono::milliseconds(kWatchdogMs)), std::future_status::ready);
    EXPECT_EQ(result.get(), 0);
    worker.join();
    UnregisterWindow(window);
    EXPECT_TRUE(target.Seen().empty());
}

TEST(Window, UnregisterWaitsForAHandlerRunningOnAnotherThread)
{
    BlockingTarget target;
    std::promise<std::pair<HWND, CQueuePump*>> registered;
    std::atomic<bool> stop{false};
    std::thread owner([&] {
        CQueuePump pump;
        registered.set_value({RegisterWindow(target, pump), &pump});
        pump.RunUntil([&] { return stop.load(); }, kWatchdogMs);
    });
    const auto [window, pump] = registered.get_future().get();
    ASSERT_TRUE(PostMessage(window, 1, 0, 0));
    target.entered.get_future().wait();

    std::atomic<bool> unregistered{false};
    std::thread closer([&] {
        UnregisterWindow(window);
        unregistered.store(true);
        // Once unregistered, the handler must have finished: the target may now be destroyed.
        EXPECT_TRUE(target.finished.load());
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(unregistered.load());
    target.release.set_value();
    closer.join();
    EXPECT_TRUE(unregistered.load());
    stop.store(true);
    pump->Post([] {});
    owner.join();
}

namespace {

class SelfClosingTarget final : public CWindowTarget {
public:
    HWND self = 0;
    LRESULT OnMessage(std::uint32_t, WPARAM, LPARAM) override
    {
        UnregisterWindow(self); // must not wait for itself
        return 5;
    }
};

} // namespace

TEST(Window, AHandlerMayUnregisterItsOwnWindow)
{
    CQueuePump pump;
    SelfClosingTarget target;
    target.self = RegisterWindow(target, pump);
    EXPECT_EQ(SendMessage(target.self, 1, 0, 0), 5);
    EXPECT_FALSE(IsWindow(target.self));
}

TEST(QueuePump, RunUntilReturnsFalseWhenTimeRunsOut)
{
    CQueuePump pump;
    EXPECT_FALSE(pump.RunUntil([] { return false; }, 10));
    int ran = 0;
    pump.Post([&] { ++ran; });
    pump.Post([&] { ++ran; });
    EXPECT_TRUE(pump.RunUntil([&] { return ran == 1; }, kWatchdogMs));
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(pump.RunPending(), 1);
}
