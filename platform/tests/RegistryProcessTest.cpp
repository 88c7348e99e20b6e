// Several processes on one store: concurrent writers, and a writer killed in the middle of its work.
#include "platform/Registry.h"
#include "platform/Sqlite.h"

#include "RegistryStress.h"
#include "testing/TempDir.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// Starts the stress helper; its stdout goes to `stdoutFd` when that is not -1. Returns -1 on failure.
pid_t SpawnStress(const std::vector<std::string>& args, int stdoutFd = -1)
{
    std::vector<std::string> all = {LUMENO_REGISTRY_STRESS};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// The child's wait status; a child that overstays `limit` is killed (the watchdog) and -1 returned.
int WaitChild(pid_t pid, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return status;
        if (done < 0)
            return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(5ms);
    }
}

class RegistryProcessTest : public ::testing::Test {
protected:
    void TearDown() override { CRegistry::UseStore({}); }
    std::string Store() const { return (m_dir.Path() / "registry.db").string(); }

    // Opens the store in this process and checks each listed value of `prefix` is there and whole.
    void ExpectValues(const std::string& prefix, const std::vector<std::uint32_t>& indices)
    {
        CRegistry::UseStore(Store());
        CRegKey key;
        ASSERT_EQ(CRegistry::OpenKey(RegRoot::CurrentUser, kStressKey, key), RegStatus::Ok);
        int bad = 0;
        for (std::uint32_t index : indices) {
            RegValue value;
            if (key.QueryValue(StressName(prefix, index), value) != RegStatus::Ok || value.type != REG_BINARY ||
                value.data != StressData(index)) {
                if (++bad <= 5)
                    ADD_FAILURE() << "value " << prefix << "-" << index << " missing or damaged";
            }
        }
        EXPECT_EQ(bad, 0);
    }

    TempDir m_dir;
};

TEST_F(RegistryProcessTest, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr std::uint32_t kCount = 1000;
    const pid_t first = SpawnStress({Store(), "count", "a", std::to_string(kCount)});
    const pid_t second = SpawnStress({Store(), "count", "b", std::to_string(kCount)});
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    const int firstStatus = WaitChild(first, 50s);
    const int secondStatus = WaitChild(second, 50s);
    ASSERT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0) << "status " << firstStatus;
    ASSERT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0) << "status " << secondStatus;

    std::vector<std::uint32_t> all(kCount);
    for (std::uint32_t i = 0; i < kCount; ++i)
        all[i] = i;
    ExpectValues("a", all);
    ExpectValues("b", all);
    CRegKey key;
    ASSERT_EQ(CRegistry::OpenKey(RegRoot::CurrentUser, kStressKey, key), RegStatus::Ok);
    std::vector<std::u16string> names;
    ASSERT_EQ(key.EnumValueNames(names), RegStatus::Ok);
    EXPECT_EQ(names.size(), 2 * kCount);
}

TEST_F(RegistryProcessTest, WriterKilledMidWriteLeavesEveryCommittedValue)
{
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const pid_t child = SpawnStress({Store(), "forever", "k"}, fds[1]);
    ::close(fds[1]);
    ASSERT_GT(child, 0);

    // Collect reported indices until enough were committed, then kill the writer in its stride.
    std::vector<std::uint32_t> committed;
    std::string pending;
    bool killed = false;
    for (;;) {
        if (!killed && committed.size() >= 300) {
            ::kill(child, SIGKILL);
            killed = true;
        }
        pollfd poll{fds[0], POLLIN, 0};
        if (::poll(&poll, 1, 20000) <= 0) {
            ADD_FAILURE() << "the writer stopped reporting (watchdog)";
            ::kill(child, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        pending.append(buffer, static_cast<std::size_t>(got));
        while (pending.size() >= sizeof(std::uint32_t)) {
            std::uint32_t index = 0;
            std::memcpy(&index, pending.data(), sizeof index);
            pending.erase(0, sizeof index);
            committed.push_back(index);
        }
    }
    ::close(fds[0]);
    const int status = WaitChild(child, 20s);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
    ASSERT_GE(committed.size(), 300u);

    CSqliteDb db;
    ASSERT_TRUE(db.Open(Store()).Ok());
    CSqliteStatement check = db.Prepare("PRAGMA integrity_check");
    ASSERT_TRUE(check.Step());
    EXPECT_EQ(check.Text(0), "ok");
    ExpectValues("k", committed);
}

} // namespace
