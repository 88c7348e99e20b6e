#include "platform/UdpSocket.h"

#include <gtest/gtest.h>

namespace {

TEST(UdpSocketTest, DatagramTravelsToABoundPortWithItsSender)
{
    CUdpSocket receiver;
    std::string error;
    ASSERT_TRUE(receiver.Bind("127.0.0.1", 0, &error)) << error;
    ASSERT_NE(receiver.LocalPort(), 0);

    CUdpSocket sender;
    ASSERT_TRUE(sender.SendTo("127.0.0.1", receiver.LocalPort(), std::string("Sync a\0b", 8), &error))
        << error;
    const std::optional<Datagram> datagram = receiver.Receive(10000);
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->bytes, std::string("Sync a\0b", 8));
    EXPECT_EQ(datagram->fromAddress, "127.0.0.1");
    EXPECT_NE(datagram->fromPort, 0);
}

TEST(UdpSocketTest, LongDatagramIsCutAndTheNextOneStillArrivesWhole)
{
    CUdpSocket receiver;
    ASSERT_TRUE(receiver.Bind("127.0.0.1", 0));
    CUdpSocket sender;
    ASSERT_TRUE(sender.SendTo("127.0.0.1", receiver.LocalPort(), std::string(2000, 'x')));
    ASSERT_TRUE(sender.SendTo("127.0.0.1", receiver.LocalPort(), "short"));

    const std::optional<Datagram> first = receiver.Receive(10000, 1039);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bytes, std::string(1039, 'x'));
    const std::optional<Datagram> second = receiver.Receive(10000, 1039);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->bytes, "short");
}

TEST(UdpSocketTest, FailuresComeBackAsValues)
{
    CUdpSocket socket;
    EXPECT_FALSE(socket.Receive(0)) << "closed socket";
    EXPECT_EQ(socket.LocalPort(), 0);

    std::string error;
    EXPECT_FALSE(socket.Bind("no-such-host.invalid", 0, &error));
    EXPECT_NE(error.find("no-such-host.invalid"), std::string::npos) << error;
    EXPECT_FALSE(socket.IsOpen());

    ASSERT_TRUE(socket.Bind("127.0.0.1", 0));
    CUdpSocket second;
    EXPECT_FALSE(second.Bind("127.0.0.1", socket.LocalPort(), &error)) << "port taken";
    EXPECT_FALSE(second.SendTo("no-such-host.invalid", 1212, "x", &error));
    EXPECT_FALSE(socket.Receive(50)) << "nothing sent: time-out";
}

TEST(UdpSocketTest, BoundIpv4SocketSendsToIpv6ThroughATemporarySocket)
{
    CUdpSocket receiver;
    if (!receiver.Bind("::1", 0))
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    CUdpSocket sender;
    ASSERT_TRUE(sender.Bind("127.0.0.1", 0));
    std::string error;
    ASSERT_TRUE(sender.SendTo("::1", receiver.LocalPort(), "Backup", &error)) << error;
    const std::optional<Datagram> datagram = receiver.Receive(10000);
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->bytes, "Backup");
    EXPECT_EQ(datagram->fromAddress, "::1");
}

} // namespace
