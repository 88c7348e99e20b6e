// Timers of the user-interface thread on the virtual clock.

#include "platform/TimerQueue.h"
#include "testing/VirtualClock.h"

#include <gtest/gtest.h>

namespace {

class TimerQueueTest : public ::testing::Test {
protected:
    void SetUp() override { CClock::Install(&m_clock); }
    void TearDown() override { CClock::Install(nullptr); }

    CVirtualClock m_clock;
    CTimerQueue m_timers;
};

TEST_F(TimerQueueTest, FiresEachPeriodAndOnceWhenLate)
{
    int fired = 0;
    m_timers.Start(1000, [&] { ++fired; });
    EXPECT_EQ(m_timers.MsUntilNext(), 1000u);
    m_clock.Advance(999);
    EXPECT_EQ(m_timers.RunDue(), 0);
    m_clock.Advance(1);
    EXPECT_EQ(m_timers.MsUntilNext(), 0u);
    EXPECT_EQ(m_timers.RunDue(), 1);
    m_clock.Advance(5500);
    EXPECT_EQ(m_timers.RunDue(), 1);
    EXPECT_EQ(fired, 2);
    // The next is a full period after the late run.
    EXPECT_EQ(m_timers.MsUntilNext(), 1000u);
}

TEST_F(TimerQueueTest, TimerMayStopItselfAndOthers)
{
    int first = 0;
    int second = 0;
    CTimerQueue::TimerId secondId = 0;
    const CTimerQueue::TimerId firstId = m_timers.Start(100, [&] {
        ++first;
        m_timers.Stop(firstId);
        m_timers.Stop(secondId);
    });
    secondId = m_timers.Start(100, [&] { ++second; });
    m_clock.Advance(100);
    EXPECT_EQ(m_timers.RunDue(), 1);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_FALSE(m_timers.MsUntilNext().has_value());
}

TEST_F(TimerQueueTest, TickCountWrapAround)
{
    // Close to the end of the 32-bit tick count.
    m_clock.Advance(0xFFFFFFFFu - 50 - static_cast<std::uint32_t>(m_clock.TickCount()));
    int fired = 0;
    m_timers.Start(100, [&] { ++fired; });
    m_clock.Advance(99);
    EXPECT_EQ(m_timers.RunDue(), 0);
    m_clock.Advance(1);
    EXPECT_EQ(m_timers.RunDue(), 1);
}

} // namespace
