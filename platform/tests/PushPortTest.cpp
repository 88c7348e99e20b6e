#include "platform/PushPort.h"

#include "platform/UdpSocket.h"
#include "testing/VirtualClock.h"

#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace {

class PushPortTest : public ::testing::Test {
protected:
    void SetUp() override { CClock::Install(&m_clock); }
    void TearDown() override { CClock::Install(nullptr); }

    std::unique_ptr<CPushPort> OpenPort()
    {
        std::string error;
        std::unique_ptr<CPushPort> port = CPushPort::Open(&error);
        EXPECT_TRUE(port) << error;
        return port;
    }

    void Send(const CPushPort& port, std::string_view bytes)
    {
        std::string error;
        ASSERT_TRUE(CUdpSocket().SendTo("127.0.0.1", port.LocalPort(), bytes, &error)) << error;
    }

    TempDir m_root;
    ScopedEnv m_device{"LUMENO_DEVICE_ROOT", m_root.Path().string()};
    ScopedEnv m_address{"LUMENO_PUSH_ADDRESS", "127.0.0.1"};
    ScopedEnv m_port{"LUMENO_PUSH_PORT", "0"};
    CVirtualClock m_clock;
};

TEST_F(PushPortTest, MessageWaitsUntilReadWhole)
{
    const auto port = OpenPort();
    ASSERT_TRUE(port);
    ASSERT_NE(port->LocalPort(), 0);
    Send(*port, std::string(2000, 'x'));

    EXPECT_TRUE(port->WaitForMessage(60000));
    EXPECT_TRUE(port->WaitForMessage(60000)) << "waiting does not take the message";
    EXPECT_EQ(port->NextMessageSize(), 2000u);
    EXPECT_EQ(port->Read(), std::string(2000, 'x'));
    EXPECT_EQ(port->NextMessageSize(), 0u);
    EXPECT_FALSE(port->Read());
    EXPECT_LT(m_clock.ElapsedMs(), 1000u);
}

TEST_F(PushPortTest, WaitWithoutMessageRunsOutOnTheInstalledClock)
{
    const auto port = OpenPort();
    ASSERT_TRUE(port);
    EXPECT_FALSE(port->WaitForMessage(60000));
    EXPECT_EQ(m_clock.ElapsedMs(), 60000u);
}

TEST_F(PushPortTest, MessageSentDuringTheWaitEndsIt)
{
    const auto port = OpenPort();
    ASSERT_TRUE(port);
    m_clock.ScheduleAt(30000, [&] { Send(*port, "Sync"); });
    EXPECT_TRUE(port->WaitForMessage(60000));
    EXPECT_LT(m_clock.ElapsedMs(), 60000u);
    EXPECT_EQ(port->Read(), "Sync");
}

// An empty datagram reported as size 0 would stay at the head of the queue for good.
TEST_F(PushPortTest, EmptyDatagramDoesNotHideTheMessagesBehindIt)
{
    const auto port = OpenPort();
    ASSERT_TRUE(port);
    Send(*port, "");
    Send(*port, "Key a b k");
    EXPECT_EQ(port->NextMessageSize(), 9u);
    EXPECT_EQ(port->Read(), "Key a b k");
}

TEST_F(PushPortTest, OpenPortsShareOneBindingThatTheLastCloseReleases)
{
    auto watcher = OpenPort();
    ASSERT_TRUE(watcher);
    const std::uint16_t number = watcher->LocalPort();
    Send(*watcher, "first");
    {
        const auto reader = OpenPort();
        ASSERT_TRUE(reader);
        EXPECT_EQ(reader->LocalPort(), number);
        EXPECT_EQ(reader->Read(), "first");
    }
    Send(*watcher, "second");
    EXPECT_EQ(watcher->Read(), "second") << "the reader's close left the port bound";
    watcher.reset();

    CUdpSocket socket;
    EXPECT_TRUE(socket.Bind("127.0.0.1", number)) << "the last close released the port";
}

TEST_F(PushPortTest, PortThatCannotBeBoundIsAnError)
{
    CUdpSocket taken;
    ASSERT_TRUE(taken.Bind("127.0.0.1", 0));
    struct Case {
        std::string port;
        const char* why;
    };
    const Case cases[] = {
        {std::to_string(taken.LocalPort()), "bind"},
        {"70000", "not a port number"},
        {"12a", "not a port number"},
        {"", "not a port number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        ScopedEnv port("LUMENO_PUSH_PORT", c.port);
        std::string error;
        EXPECT_FALSE(CPushPort::Open(&error));
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
    }
}

} // namespace
