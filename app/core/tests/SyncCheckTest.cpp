// The periodic sync check: at start and every five minutes, a Sync once the period has passed.

#include "AppFixture.h"
#include "platform/Registry.h"

namespace {

constexpr std::uint64_t kDay = 864000000000ULL;

class SyncCheckTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        GiveKeys();
    }

    static void WriteLastSync(std::uint64_t fileTime)
    {
        CRegKey summary;
        ASSERT_EQ(CRegistry::CreateKey(RegRoot::CurrentUser, u"Software\\Orvane\\Summary", summary),
                  RegStatus::Ok);
        summary.SetDword(u"sync_time_low", static_cast<std::uint32_t>(fileTime));
        summary.SetDword(u"sync_time_high", static_cast<std::uint32_t>(fileTime >> 32));
    }

    int ScheduledSyncs() const
    {
        return static_cast<int>(std::count(m_ui->started.begin(), m_ui->started.end(), REQ_SCHEDULED_SYNC));
    }

    void Start()
    {
        View().InitialUpdate();
        m_ui->RunPending();
    }

    // Five minutes pass and the timer fires.
    void NextCheck()
    {
        m_clock->Advance(CTesselView::kSyncCheckPeriodMs);
        m_ui->Loop().RunDueTimers();
        m_ui->RunPending();
    }
};

TEST_F(SyncCheckTest, ExactlyOnePeriodAgoRequestsASync)
{
    Settings()->Sync_Period = 1;
    WriteLastSync(m_clock->UtcNow() - kDay);
    Start();
    EXPECT_EQ(ScheduledSyncs(), 1);
}

TEST_F(SyncCheckTest, TimerRequestsTheSyncOnceTheDayHasPassed)
{
    Settings()->Sync_Period = 1;
    // Due four minutes from now: not at start, at the first timer.
    WriteLastSync(m_clock->UtcNow() - kDay + 4 * 60 * 10000000ULL);
    Start();
    EXPECT_EQ(ScheduledSyncs(), 0);
    NextCheck();
    EXPECT_EQ(ScheduledSyncs(), 1);
}

TEST_F(SyncCheckTest, PeriodZeroDisablesTheCheck)
{
    Settings()->Sync_Period = 0;
    Start();
    for (int i = 0; i < 3; ++i)
        NextCheck();
    EXPECT_EQ(ScheduledSyncs(), 0);
}

TEST_F(SyncCheckTest, Cases)
{
    struct Case {
        const char* name;
        std::int32_t period;
        bool keys;
        int lastSyncDaysAgo; // INT32_MIN: no time stored
        bool due;
    };
    const Case cases[] = {
        {"never synchronised", 7, true, INT32_MIN, true}, {"six days of seven", 7, true, 6, false},
        {"seven days of seven", 7, true, 7, true},        {"last sync in the future", 1, true, -2, true},
        {"negative period", -1, true, 30, false},         {"no keys", 1, false, 30, false},
    };
    for (const Case& check : cases) {
        SCOPED_TRACE(check.name);
        TearDown();
        SetUp();
        Settings()->Sync_Period = check.period;
        if (!check.keys)
            Settings()->Ukey.clear();
        if (check.lastSyncDaysAgo != INT32_MIN)
            WriteLastSync(m_clock->UtcNow() - static_cast<std::int64_t>(check.lastSyncDaysAgo) * kDay);
        View().PeriodicSyncCheck();
        m_ui->RunPending();
        EXPECT_EQ(ScheduledSyncs(), check.due ? 1 : 0);
    }
}

TEST_F(SyncCheckTest, UnreadableTimeCountsAsNeverSynchronised)
{
    Settings()->Sync_Period = 7;
    WriteLastSync(m_clock->UtcNow());
    CRegKey summary;
    ASSERT_EQ(CRegistry::CreateKey(RegRoot::CurrentUser, u"Software\\Orvane\\Summary", summary),
              RegStatus::Ok);
    const std::uint8_t threeBytes[] = {1, 2, 3};
    summary.SetValue(u"sync_time_high", REG_BINARY, threeBytes);

    View().PeriodicSyncCheck();
    m_ui->RunPending();

    EXPECT_EQ(ScheduledSyncs(), 1);
}

} // namespace
