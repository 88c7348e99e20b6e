#include "platform/Clock.h"
#include "platform/Event.h"
#include "testing/VirtualClock.h"

#include "testing/Eventually.h"

#include <atomic>
#include <ctime>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

class VirtualClockTest : public ::testing::Test {
protected:
    void Use(CVirtualClock::Mode mode)
    {
        m_clock.SetMode(mode);
        CClock::Install(&m_clock);
    }
    void SetUp() override { Use(CVirtualClock::Mode::AutoAdvance); }
    void TearDown() override { CClock::Install(nullptr); }

    CVirtualClock m_clock;
    std::shared_ptr<CEvent> m_event = CEvent::Create(EventReset::Manual, false);
};

TEST_F(VirtualClockTest, EightyWaitsOfHalfASecondPassFortySecondsAtOnce)
{
    const FileTime start = CClock::Get().UtcNow();
    for (int round = 0; round < 80; ++round)
        ASSERT_EQ(m_event->Wait(500), WaitResult::TimedOut) << "round " << round;
    EXPECT_EQ(m_clock.ElapsedMs(), 40000u);
    EXPECT_EQ(m_clock.TimedOutWaits(), 80u);
    EXPECT_EQ(CClock::Get().UtcNow() - start, 40000ULL * 10000);
    EXPECT_EQ(CClock::Get().TickCount(), 40000u);
}

TEST_F(VirtualClockTest, ScheduledActionEndsTheWaitingLoopAtItsMoment)
{
    m_clock.ScheduleAt(10000, [this] { m_event->Set(); });
    int endedIn = 0;
    for (int round = 1; round <= 80 && !endedIn; ++round) {
        if (m_event->Wait(500) == WaitResult::Signaled)
            endedIn = round;
    }
    EXPECT_EQ(endedIn, 20);
    EXPECT_EQ(m_clock.ElapsedMs(), 10000u);
    EXPECT_EQ(m_clock.TimedOutWaits(), 19u);
}

TEST_F(VirtualClockTest, ActionsRunInTimeOrderOnTheThreadThatMovesTime)
{
    std::vector<std::string> ran;
    const auto record = [&](std::string name) {
        return [&ran, name, self = std::this_thread::get_id()] {
            ran.push_back(std::this_thread::get_id() == self ? name : name + " (other thread)");
        };
    };
    m_clock.ScheduleAt(300, record("b"));
    m_clock.ScheduleAt(100, record("a"));
    m_clock.ScheduleAt(300, record("c"));
    m_clock.ScheduleAt(900, record("late"));
    // An action may read the clock and schedule more without deadlocking.
    m_clock.ScheduleAt(200, [&] {
        ran.push_back("at " + std::to_string(m_clock.ElapsedMs()));
        m_clock.ScheduleAt(400, record("nested"));
    });

    CClock::Get().Sleep(500);
    EXPECT_EQ(ran, (std::vector<std::string>{"a", "at 200", "b", "c", "nested"}));
    EXPECT_EQ(m_clock.ElapsedMs(), 500u);

    m_clock.Advance(400);
    EXPECT_EQ(ran.back(), "late");
    EXPECT_EQ(m_clock.ElapsedMs(), 900u);
}

TEST_F(VirtualClockTest, ZeroAndInfiniteTimeouts)
{
    EXPECT_EQ(m_event->Wait(0), WaitResult::TimedOut);
    EXPECT_EQ(m_clock.ElapsedMs(), 0u);
    m_event->Set();
    EXPECT_EQ(m_event->Wait(kInfinite), WaitResult::Signaled);

    // A wait without a deadline runs what is scheduled, however far ahead.
    m_event->Reset();
    m_clock.ScheduleAt(3600000, [this] { m_event->Set(); });
    EXPECT_EQ(m_event->Wait(kInfinite), WaitResult::Signaled);
    EXPECT_EQ(m_clock.ElapsedMs(), 3600000u);
}

TEST_F(VirtualClockTest, WaitWithoutDeadlineWakesForAnActionScheduledLater)
{
    std::atomic<bool> done{false};
    std::thread waiter([&] {
        m_event->Wait(kInfinite);
        done = true;
    });
    ASSERT_TRUE(Eventually([&] { return m_clock.Waiters() == 1; }));
    m_clock.ScheduleAt(5000, [this] { m_event->Set(); });
    const bool finished = Eventually([&] { return done.load(); });
    m_event->Set(); // releases the waiter if the test failed
    waiter.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(m_clock.ElapsedMs(), 5000u);
}

TEST_F(VirtualClockTest, ManualModeWaitEndsEarlyWhenAnotherThreadSets)
{
    Use(CVirtualClock::Mode::Manual);
    std::atomic<int> result{-1};
    std::thread waiter([&] { result = static_cast<int>(m_event->Wait(40000)); });
    ASSERT_TRUE(Eventually([&] { return m_clock.Waiters() == 1; }));
    m_event->Set();
    const bool finished = Eventually([&] { return result.load() != -1; });
    if (!finished)
        m_clock.Advance(40000);
    waiter.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(result.load(), static_cast<int>(WaitResult::Signaled));
    EXPECT_EQ(m_clock.ElapsedMs(), 0u);
    EXPECT_EQ(m_clock.Waiters(), 0u);
}

TEST_F(VirtualClockTest, ManualModeWaitTimesOutOnlyWhenAdvancedPastItsDeadline)
{
    Use(CVirtualClock::Mode::Manual);
    std::atomic<int> result{-1};
    std::atomic<int> slept{0};
    std::thread waiter([&] { result = static_cast<int>(m_event->Wait(500)); });
    std::thread sleeper([&] {
        CClock::Get().Sleep(800);
        slept = 1;
    });
    ASSERT_TRUE(Eventually([&] { return m_clock.Waiters() == 2; }));

    m_clock.Advance(499);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(result.load(), -1) << "woke before its deadline";

    m_clock.Advance(1);
    EXPECT_TRUE(Eventually([&] { return result.load() != -1; }));
    EXPECT_EQ(result.load(), static_cast<int>(WaitResult::TimedOut));
    EXPECT_EQ(slept.load(), 0);

    m_clock.Advance(300);
    EXPECT_TRUE(Eventually([&] { return slept.load() == 1; }));
    m_clock.Advance(1000000); // releases both if the test failed
    waiter.join();
    sleeper.join();
    EXPECT_EQ(m_clock.TimedOutWaits(), 2u);
}

TEST(SystemClockTest, TimedWaitTakesRealTime)
{
    auto event = CEvent::Create(EventReset::Manual, false);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(event->Wait(20), WaitResult::TimedOut);
    const auto waited = std::chrono::steady_clock::now() - before;
    EXPECT_GE(waited, 20ms);
    EXPECT_LT(waited, 10s);
}

TEST(SystemClockTest, InfiniteWaitEndsWhenAnotherThreadSets)
{
    auto event = CEvent::Create(EventReset::Auto, false);
    std::atomic<bool> done{false};
    std::thread waiter([&] {
        event->Wait(kInfinite);
        done = true;
    });
    event->Set();
    const bool finished = Eventually([&] { return done.load(); });
    if (!finished)
        event->Set();
    waiter.join();
    EXPECT_TRUE(finished);
}

TEST(SystemClockTest, NowAndTickCountFollowTheHost)
{
    CClock& clock = CClock::Get();
    const FileTime now = clock.UtcNow();
    const auto hostSeconds = static_cast<std::int64_t>(std::time(nullptr));
    const auto clockSeconds = static_cast<std::int64_t>((now - kFileTimeAt1970) / 10000000);
    EXPECT_LE(std::abs(clockSeconds - hostSeconds), 5);

    const std::uint32_t first = clock.TickCount();
    clock.Sleep(15);
    const std::uint32_t passed = clock.TickCount() - first; // unsigned: correct across the wrap
    EXPECT_GE(passed, 14u);
    EXPECT_LT(passed, 10000u);
}

} // namespace
