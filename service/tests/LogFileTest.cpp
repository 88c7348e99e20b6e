#include "ServiceFixture.h"

#include "platform/DevicePaths.h"
#include "testing/VirtualClock.h"

#include <regex>
#include <sstream>
#include <thread>
#include <vector>

namespace {

class LogFileTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        CClock::Install(&m_clock);
    }
    void TearDown() override
    {
        CClock::Install(nullptr);
        ServiceFixture::TearDown();
    }

    std::string Log() const { return ReadFile(CDevicePaths::ProgramFolder() / "tidal.log"); }
    std::string Tick() { return std::to_string(static_cast<std::int32_t>(m_clock.TickCount())); }

    CVirtualClock m_clock;
};

} // namespace

TEST_F(LogFileTest, WritesTickCountAndTextPerLineOnlyWhileOpen)
{
    EXPECT_EQ(CLog_File::GetInstanceLog(), nullptr);
    CLog_File::AddLogLine(u"before");
    ASSERT_FALSE(std::filesystem::exists(CDevicePaths::ProgramFolder())); // nothing made yet

    CLog_File::InitFile();
    ASSERT_NE(CLog_File::GetInstanceLog(), nullptr);
    m_clock.Advance(1234);
    CLog_File::AddLogLine(u"Gr\u00fc\u00dfe");
    const std::string first = Tick() + ": Gr\xC3\xBC\xC3\x9F"
                                       "e\n";
    EXPECT_EQ(Log(), first); // flushed at once

    CLog_File::CloseFile();
    EXPECT_EQ(CLog_File::GetInstanceLog(), nullptr);
    CLog_File::AddLogLine(u"after");
    EXPECT_EQ(Log(), first);
}

TEST_F(LogFileTest, ASecondInitFileKeepsTheOpenFileAndANewOneTruncates)
{
    CLog_File::InitFile();
    CLog_File::AddLogLine(u"one");
    CLog_File::InitFile();
    CLog_File::AddLogLine(u"two");
    EXPECT_EQ(Log(), Tick() + ": one\n" + Tick() + ": two\n");

    CLog_File::Release(); // frees the object, the file stays open
    CLog_File::AddLogLine(u"three");
    EXPECT_NE(Log().find("three"), std::string::npos);

    CLog_File::CloseFile();
    CLog_File::InitFile();
    CLog_File::AddLogLine(u"fresh");
    EXPECT_EQ(Log(), Tick() + ": fresh\n");
}

TEST_F(LogFileTest, LinesFromSeveralThreadsNeverInterleave)
{
    CLog_File::InitFile();
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const std::u16string text =
                u"thread " + Utf8ToUtf16(std::to_string(t)) + u" " + std::u16string(100, u'x');
            for (int i = 0; i < kLines; ++i)
                CLog_File::AddLogLine(text);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    CLog_File::CloseFile();

    std::istringstream lines(Log());
    const std::regex pattern("-?[0-9]+: thread [0-3] x{100}");
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count)
        ASSERT_TRUE(std::regex_match(line, pattern)) << line;
    EXPECT_EQ(count, kThreads * kLines);
}
