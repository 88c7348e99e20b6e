// The listener's time limits, with short ones: a peer that idles, trickles its head or never finishes
// its body loses its connection once its limit has passed.

#include "RawConnection.h"
#include "http/HttpListener.h"

#include <gtest/gtest.h>
#include <httplib.h>

namespace {

using namespace std::chrono_literals;

class HttpLimitsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ConnectionLimits limits;
        limits.maxBodyBytes = 1024;
        limits.idleTime = 300ms;
        limits.headTime = 300ms;
        limits.requestTime = 600ms;
        limits.writeTime = 1s;
        m_listener = std::make_unique<CHttpListener>(TlsFiles{}, limits, 4);
        const auto answer = [](const httplib::Request& request, httplib::Response& response) {
            response.set_content("got " + std::to_string(request.body.size()), "text/plain");
        };
        m_listener->Routes().Get("/", answer).Post("/", answer);
        std::string error;
        m_port = m_listener->Bind("127.0.0.1", 0, error);
        ASSERT_NE(m_port, 0) << error;
        m_listener->Serve();
    }

    std::unique_ptr<CHttpListener> m_listener;
    int m_port = 0;
};

TEST_F(HttpLimitsTest, SlowPeersLoseTheirConnectionOnceTheirLimitHasPassed)
{
    struct Case {
        const char* name;
        std::string sent;
        std::string trickled; // sent again every 100 ms
        int status;           // of the answer before the close; 0: none
    };
    const Case cases[] = {
        {"idle after a request", "GET / HTTP/1.1\r\n\r\n", "", 200},
        {"head a line at a time", "GET / HTTP/1.1\r\n", "X-Slow: 1\r\n", 408},
        {"body that never ends", "POST / HTTP/1.1\r\nContent-Length: 1000\r\n\r\n", "x", 400},
    };
    for (const Case& c : cases) {
        CRawConnection connection(m_port);
        ASSERT_TRUE(connection.Send(c.sent)) << c.name;
        HandsetAnswer answer;
        const auto start = std::chrono::steady_clock::now();
        while (answer.status == 0 && std::chrono::steady_clock::now() - start < 5s) {
            if (!c.trickled.empty())
                connection.Send(c.trickled);
            answer = connection.Receive(100ms);
        }
        EXPECT_EQ(answer.status, c.status) << c.name << ": " << answer.body;
        EXPECT_TRUE(connection.ClosedWithin(2s)) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << c.name;
    }
}

TEST_F(HttpLimitsTest, KeptAliveConnectionServesRequestsWhateverBodiesTheyCarry)
{
    CRawConnection connection(m_port);
    // A GET whose body nobody reads, then a POST sent in the same write: each gets its own answer.
    ASSERT_TRUE(connection.Send("GET / HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello"
                                "POST / HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc"));
    const HandsetAnswer get = connection.Receive();
    EXPECT_EQ(get.status, 200);
    EXPECT_EQ(get.body, "got 0");
    const HandsetAnswer post = connection.Receive();
    EXPECT_EQ(post.status, 200);
    EXPECT_EQ(post.body, "got 3");
}

} // namespace
