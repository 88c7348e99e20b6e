#pragma once
// Serves the requests of one connection under the server's limits, in front of the HTTP library: each
// request's head is read here (size, field and time caps), its body framing is checked before a byte
// of the body is read, and the library then sees exactly that head and that body through a stream.
//
// Whatever a peer does, a connection holds its worker no longer than the idle time between requests,
// the head time and the request time of one request, and the write time of one answer; a stopping
// server ends every wait within a tenth of a second.

#include "http/ByteChannel.h"
#include "http/RequestHead.h"

#include <chrono>
#include <cstdint>
#include <functional>

namespace httplib {
class Stream;
}

struct ConnectionLimits {
    HeadLimits head;
    std::uint64_t maxBodyBytes = 16 * 1024 * 1024;
    std::chrono::milliseconds idleTime{5000};     // for the next request of a kept-alive connection
    std::chrono::milliseconds headTime{10000};    // from a request's first byte to the end of its head
    std::chrono::milliseconds requestTime{60000}; // from a request's first byte to the end of its body
    std::chrono::milliseconds writeTime{10000};   // for the peer to take one answer (and the handshake)
    std::size_t requestsPerConnection = 100000;
};

// Answers one request read from `stream` (the HTTP library's request processing); false when the
// connection cannot go on. `last`: the answer closes the connection; `closed`: the peer asked to close.
using RequestProcessor = std::function<bool(httplib::Stream& stream, bool last, bool& closed)>;

// Serves `channel` until the peer closes, idles too long, breaks a limit (answered 400, 408, 411, 413,
// 415 or 431 with the reason, then closed) or the server stops.
void ServeConnection(CByteChannel& channel, const ConnectionLimits& limits, const RequestProcessor& process);
