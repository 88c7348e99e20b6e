#include "trigger_driver/OrvaneCir.h"

#include "platform/LogSink.h"
#include "platform/Registry.h"
#include "testing/Eventually.h"
#include "testing/RecordingShell.h"
#include "testing/TempDir.h"
#include "testing/VirtualClock.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kDay = 864000000000ull;
constexpr FileTime kNow = kFileTimeAt1970 + 1167609600000ull * 10000; // the virtual clock's start

RegValue Dword(std::uint32_t number)
{
    return {REG_DWORD, {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                        static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
}

RegValue Text(std::u16string_view text, std::uint32_t type = REG_SZ)
{
    RegValue value{type, {}};
    for (char16_t c : std::u16string(text) + u'\0') {
        value.data.push_back(static_cast<std::uint8_t>(c));
        value.data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return value;
}

// A registry where the scheduled Sync is due: weekly, registered, last synchronised 7 days ago.
std::map<std::u16string, std::optional<RegValue>> DueValues()
{
    const FileTime last = kNow - 7 * kDay;
    return {
        {u"Settings\\Sync-Period", Dword(7)},
        {u"Settings\\QX-key", Text(u"a1b2c3")},
        {u"Summary\\sync_time_low", Dword(static_cast<std::uint32_t>(last))},
        {u"Summary\\sync_time_high", Dword(static_cast<std::uint32_t>(last >> 32))},
    };
}

class TriggerDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CRegistry::UseStore(m_dir.Path() / "registry.db");
        CShell::Install(&m_shell);
    }
    void TearDown() override
    {
        CShell::Install(nullptr);
        CClock::Install(nullptr);
        CRegistry::UseStore({});
    }

    // Writes the values named "Settings\..." or "Summary\..." under "Software\Orvane"; nullopt leaves one out.
    static void Write(const std::map<std::u16string, std::optional<RegValue>>& values)
    {
        for (const auto& [name, value] : values) {
            if (!value)
                continue;
            const std::size_t split = name.find(u'\\');
            CRegKey key;
            ASSERT_EQ(CRegistry::CreateKey(RegRoot::CurrentUser, u"Software\\Orvane\\" + name.substr(0, split), key),
                      RegStatus::Ok);
            ASSERT_EQ(key.SetValue(name.substr(split + 1), value->type, value->data), RegStatus::Ok);
        }
    }

    // One pass of the worker: a second of virtual time, then wait until it sleeps again.
    void Pass(CVirtualClock& clock, std::uint64_t& passes)
    {
        clock.Advance(1000);
        ++passes;
        ASSERT_TRUE(Eventually([&] { return clock.TimedOutWaits() == passes && clock.Waiters() == 1; }));
    }

    TempDir m_dir;
    CRecordingShell m_shell;
};

TEST_F(TriggerDriverTest, SyncIsDueOnlyWithAPeriodAKeyAndALastSyncTimeThatLongAgo)
{
    struct Case {
        const char* name;
        std::u16string value;
        std::optional<RegValue> replacement;
        bool due;
    };
    const FileTime future = kNow + 3 * kDay;
    const Case cases[] = {
        {"exactly the period ago", u"Settings\\Sync-Period", Dword(7), true},
        {"a unit short of the period", u"Summary\\sync_time_low",
         Dword(static_cast<std::uint32_t>(kNow - 7 * kDay + 1)), false},
        {"period 0", u"Settings\\Sync-Period", Dword(0), false},
        {"no period", u"Settings\\Sync-Period", std::nullopt, false},
        {"period stored as text", u"Settings\\Sync-Period", Text(u"7"), false},
        {"empty key", u"Settings\\QX-key", Text(u""), false},
        {"no key", u"Settings\\QX-key", std::nullopt, false},
        {"key stored as a number", u"Settings\\QX-key", Dword(1), false},
        {"expandable key", u"Settings\\QX-key", Text(u"a1b2c3", REG_EXPAND_SZ), true},
        {"key of 259 characters", u"Settings\\QX-key", Text(std::u16string(259, u'k')), true},
        {"key too long for the handset", u"Settings\\QX-key", Text(std::u16string(260, u'k')), false},
        {"no high half", u"Summary\\sync_time_high", std::nullopt, false},
        {"no low half", u"Summary\\sync_time_low", std::nullopt, false},
        {"high half of 8 bytes", u"Summary\\sync_time_high", RegValue{REG_BINARY, std::vector<std::uint8_t>(8)}, false},
        {"clock set back", u"Summary\\sync_time_high", Dword(static_cast<std::uint32_t>(future >> 32)), true},
    };
    for (const Case& c : cases) {
        CRegistry::DeleteTree(RegRoot::CurrentUser, u"Software\\Orvane");
        auto values = DueValues();
        values[c.value] = c.replacement;
        Write(values);
        EXPECT_EQ(IsScheduledSyncDue(kNow), c.due) << c.name;
    }
}

TEST_F(TriggerDriverTest, KeyThatGrowsBetweenChecksIsReadWhole)
{
    auto values = DueValues();
    values[u"Settings\\QX-key"] = Text(u"k");
    Write(values);
    ASSERT_TRUE(IsScheduledSyncDue(kNow));
    values[u"Settings\\QX-key"] = Text(std::u16string(259, u'k'));
    Write(values);
    EXPECT_TRUE(IsScheduledSyncDue(kNow));
}

std::mutex s_logMutex;
std::vector<std::string> s_logLines;

void CollectLogLine(std::string_view line)
{
    std::lock_guard lock(s_logMutex);
    s_logLines.emplace_back(line);
}

std::vector<std::string> LogLines()
{
    std::lock_guard lock(s_logMutex);
    return s_logLines;
}

// The second start fails: the worker logs it and keeps checking.
TEST_F(TriggerDriverTest, ChecksEvery300PassesStartsTheProgramAtEachDueCheckAndStopsWithinAPass)
{
    Write(DueValues());
    CLogSink::Install(CollectLogLine);
    CVirtualClock clock(kNow, CVirtualClock::Mode::Manual);
    CClock::Install(&clock);
    ASSERT_EQ(CIR_Init(0), 1u);
    ASSERT_TRUE(Eventually([&] { return clock.Waiters() == 1; }));

    std::uint64_t passes = 0;
    for (int round = 1; round <= 2; ++round) {
        while (passes < 300u * round - 1)
            Pass(clock, passes);
        EXPECT_EQ(m_shell.StartedPrograms().size(), static_cast<std::size_t>(round - 1)) << "before check " << round;
        EXPECT_TRUE(LogLines().empty());
        m_shell.SetStarts(round == 1);
        Pass(clock, passes);
        ASSERT_EQ(m_shell.StartedPrograms().size(), static_cast<std::size_t>(round)) << "at check " << round;
        EXPECT_EQ(m_shell.StartedPrograms().back().file, u"\\Lumeno\\Lumeno.exe");
        EXPECT_EQ(m_shell.StartedPrograms().back().parameters, u"");
    }

    std::future<int> deinit = std::async(std::launch::async, [] { return CIR_Deinit(0); });
    EXPECT_EQ(deinit.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    clock.Advance(1000);
    ASSERT_EQ(deinit.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(deinit.get(), 1);
    EXPECT_EQ(m_shell.StartedPrograms().size(), 2u);
    CLogSink::Install(nullptr);
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_NE(LogLines()[0].find("could not be started"), std::string::npos) << LogLines()[0];
}

} // namespace
