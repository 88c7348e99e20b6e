// What the platform absorbs reaches the program's log sink, and nowhere else.
#include "platform/LogSink.h"

#include "platform/PimStore.h"
#include "platform/Sqlite.h"
#include "platform/UiPort.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::mutex s_linesMutex;
std::vector<std::string> s_lines;

void Collect(std::string_view line)
{
    std::lock_guard lock(s_linesMutex);
    s_lines.emplace_back(line);
}

TEST(LogSink, AbsorbedFailuresReachTheInstalledSinkOnly)
{
    TempDir folder;
    struct Case {
        const char* name;
        std::function<void()> action;
        const char* line; // part of the one line expected
    };
    const Case cases[] = {
        {"a headless message box", [] { CUiPort::Get().MessageBox(0, u"Sure?", u"Lumeno", MB_YESNO); },
         "[Lumeno] Sure? -> 7"},
        {"a PIM store of a newer layout",
         [&] {
             CSqliteDb db;
             ASSERT_TRUE(db.Open(folder.Path() / "pim.db").Ok());
             ASSERT_TRUE(db.SetUserVersion(99).Ok());
             EXPECT_FALSE(Succeeded(CreateSqlitePimStore(folder.Path() / "pim.db")->Logon()));
         },
         "layout version 99 is newer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s_lines.clear();
        CLogSink::Install(Collect);
        c.action();
        CLogSink::Install(nullptr);
        c.action(); // without a sink the line is dropped
        ASSERT_EQ(s_lines.size(), 1u);
        EXPECT_NE(s_lines[0].find(c.line), std::string::npos) << s_lines[0];
    }
}

} // namespace
