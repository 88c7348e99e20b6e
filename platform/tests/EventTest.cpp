#include "platform/Event.h"
#include "testing/VirtualClock.h"

#include "testing/Eventually.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(EventTest, ManualResetStaysSetUntilReset)
{
    auto event = CEvent::Create(EventReset::Manual, true);
    EXPECT_TRUE(event->IsSet());
    EXPECT_EQ(event->Wait(0), WaitResult::Signaled);
    EXPECT_EQ(event->Wait(0), WaitResult::Signaled);
    event->Reset();
    EXPECT_FALSE(event->IsSet());
    EXPECT_EQ(event->Wait(0), WaitResult::TimedOut);
}

TEST(EventTest, AutoResetIsTakenByTheWaitItEnds)
{
    auto event = CEvent::Create(EventReset::Auto, false);
    EXPECT_EQ(event->Wait(0), WaitResult::TimedOut);
    event->Set();
    event->Set(); // sets do not count up
    EXPECT_TRUE(event->IsSet());
    EXPECT_EQ(event->Wait(0), WaitResult::Signaled);
    EXPECT_FALSE(event->IsSet());
    EXPECT_EQ(event->Wait(0), WaitResult::TimedOut);
}

TEST(EventTest, NamedCreateOpensTheLiveEventAndSaysSo)
{
    bool existed = true;
    auto first = CEvent::CreateNamed(u"tidal_identify_event", EventReset::Manual, false, &existed);
    ASSERT_TRUE(first);
    EXPECT_FALSE(existed);

    auto second = CEvent::CreateNamed(u"tidal_identify_event", EventReset::Auto, true, &existed);
    EXPECT_TRUE(existed);
    EXPECT_EQ(second, first);
    EXPECT_FALSE(second->IsSet()) << "an existing event keeps its state";
    second->Set();
    EXPECT_EQ(first->Wait(0), WaitResult::Signaled);
    EXPECT_EQ(first->Wait(0), WaitResult::Signaled) << "and its reset kind";

    EXPECT_EQ(CEvent::OpenNamed(u"tidal_identify_event"), first);
    EXPECT_EQ(CEvent::OpenNamed(u"TIDAL_IDENTIFY_EVENT"), nullptr) << "names are exact";
    EXPECT_EQ(CEvent::OpenNamed(u"change_msisdn_event"), nullptr);
    auto other = CEvent::CreateNamed(u"change_msisdn_event", EventReset::Manual, false, nullptr);
    EXPECT_NE(other, first);
}

TEST(EventTest, NamedEventDroppedByAllHoldersDisappears)
{
    auto event = CEvent::CreateNamed(u"retrieve_server_account", EventReset::Manual, true, nullptr);
    auto holder = CEvent::OpenNamed(u"retrieve_server_account");
    event.reset();
    EXPECT_TRUE(CEvent::OpenNamed(u"retrieve_server_account")) << "one holder is left";
    holder.reset();
    EXPECT_EQ(CEvent::OpenNamed(u"retrieve_server_account"), nullptr);

    bool existed = true;
    auto fresh = CEvent::CreateNamed(u"retrieve_server_account", EventReset::Manual, false, &existed);
    EXPECT_FALSE(existed);
    EXPECT_FALSE(fresh->IsSet());
}

TEST(EventTest, NamedEventsSurviveRacingCreatesAndDrops)
{
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i) {
                auto event = CEvent::CreateNamed(u"racing", EventReset::Manual, false, nullptr);
                auto opened = CEvent::OpenNamed(u"racing");
                if (opened != event)
                    ++mismatches;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(CEvent::OpenNamed(u"racing"), nullptr);
}

TEST(EventTest, AutoResetReleasesOneWaiterPerSet)
{
    CVirtualClock clock(kFileTimeAt1970, CVirtualClock::Mode::Manual);
    CClock::Install(&clock);
    auto event = CEvent::Create(EventReset::Auto, false);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i) {
        waiters.emplace_back([&] {
            if (event->Wait(kInfinite) == WaitResult::Signaled)
                ++released;
        });
    }
    ASSERT_TRUE(Eventually([&] { return clock.Waiters() == 2; }));

    event->Set();
    EXPECT_TRUE(Eventually([&] { return released.load() == 1 && clock.Waiters() == 1; }));
    EXPECT_FALSE(event->IsSet());
    event->Set();
    EXPECT_TRUE(Eventually([&] { return released.load() == 2; }));
    if (released.load() != 2) {
        event->Set(); // release the threads if the test failed
        event->Set();
    }
    for (std::thread& waiter : waiters)
        waiter.join();
    CClock::Install(nullptr);
}

} // namespace
