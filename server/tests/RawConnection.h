#pragma once
// A bare TCP connection to the server, for what no HTTP client sends: heads over the caps, bodies that
// never come, a head trickled a line at a time, requests from another loopback address.

#include "TestHandset.h"

#include <chrono>
#include <string>
#include <string_view>

class CRawConnection {
public:
    // Connects to 127.0.0.1:`port`, from `source` (another loopback address such as 127.0.0.2) when
    // given. IsOpen() tells whether it worked.
    explicit CRawConnection(int port, const std::string& source = {});
    ~CRawConnection();
    CRawConnection(const CRawConnection&) = delete;
    CRawConnection& operator=(const CRawConnection&) = delete;

    bool IsOpen() const { return m_socket >= 0; }
    // False when the server closed the connection or refused the bytes.
    bool Send(std::string_view bytes);
    // The next answer (status line, headers, the body by its Content-Length); status 0 when none came
    // within `timeout`.
    HandsetAnswer Receive(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // True when the server closed the connection within `timeout` (whatever it sent before).
    bool ClosedWithin(std::chrono::milliseconds timeout);

private:
    // Reads what comes before `deadline` into m_received: how many bytes, 0 when the server closed, -1
    // on error or time-out.
    long ReadBefore(std::chrono::steady_clock::time_point deadline);

    int m_socket = -1;
    std::string m_received;
};

// One request head: the request line, the fields, and the blank line.
std::string RequestHead(std::string_view requestLine, const HeaderList& fields);
