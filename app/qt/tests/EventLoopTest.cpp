// The event loop over Qt's: work posted from other threads, nested loops, timers, and messages sent
// from a runner's thread.

#include "QtEventLoop.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr int kWatchdogMs = 10000;

bool RunFor(CEventLoop& loop, const std::function<bool()>& done)
{
    QElapsedTimer watch;
    watch.start();
    // Wakes the loop now and then, so that the watchdog is looked at when nothing else happens.
    QTimer wake;
    wake.start(10);
    bool timedOut = false;
    loop.RunUntil([&] {
        timedOut = watch.elapsed() > kWatchdogMs;
        return done() || timedOut;
    });
    return !timedOut;
}

class CEcho final : public CWindowTarget {
public:
    LRESULT OnMessage(std::uint32_t message, WPARAM wParam, LPARAM) override
    {
        return static_cast<LRESULT>(message + wParam);
    }
};

TEST(QtEventLoopTest, PostedWorkRunsInOrderOnTheLoopsThreadAlsoInsideNestedLoops)
{
    CQtEventLoop loop;
    std::vector<int> ran;
    bool nestedSawLater = false;
    std::thread poster([&] {
        loop.Post([&] {
            EXPECT_TRUE(loop.IsPumpThread());
            ran.push_back(1);
            // A dialog's loop inside a message: work posted after it still runs.
            nestedSawLater = RunFor(loop, [&] { return ran.size() == 3; });
        });
        loop.Post([&] { ran.push_back(2); });
        loop.Post([&] { ran.push_back(3); });
    });
    ASSERT_TRUE(RunFor(loop, [&] { return ran.size() == 3; }));
    poster.join();
    EXPECT_TRUE(nestedSawLater);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST(QtEventLoopTest, TimersRepeatUntilStopped)
{
    CQtEventLoop loop;
    int fired = 0;
    CEventLoop::TimerId timer = 0;
    timer = loop.StartTimer(5, [&] {
        if (++fired == 3)
            loop.StopTimer(timer);
    });
    ASSERT_TRUE(RunFor(loop, [&] { return fired == 3; }));
    QElapsedTimer settle;
    settle.start();
    RunFor(loop, [&] { return settle.elapsed() > 30; });
    EXPECT_EQ(fired, 3);
}

TEST(QtEventLoopTest, AMessageSentFromAnotherThreadIsAnswered)
{
    CEcho echo;
    CQtEventLoop loop;
    const HWND window = RegisterWindow(echo, loop);
    std::atomic<LRESULT> answered{0};
    std::thread sender([&] {
        answered.store(SendMessage(window, 40, 2, 0));
        loop.Post([] {});
    });
    ASSERT_TRUE(RunFor(loop, [&] { return answered.load() != 0; }));
    sender.join();
    UnregisterWindow(window);
    EXPECT_EQ(answered.load(), 42);
}

TEST(QtEventLoopTest, WorkStillQueuedGoesWithTheLoop)
{
    auto token = std::make_shared<int>(0);
    {
        CQtEventLoop loop;
        loop.Post([token] {});
    }
    EXPECT_EQ(token.use_count(), 1) << "a sender waiting for it would never learn that it was dropped";
}

} // namespace
