#pragma once
// One accepted connection as bytes in and out, plain or over TLS. Every wait ends at the deadline the
// caller gives or as soon as the server stops, so a peer that sends or reads slowly can hold a worker
// no longer than the caller allows.
//
// Owns the socket (closed with the channel). One object per connection, used by one worker thread.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

struct ssl_ctx_st;

using Deadline = std::chrono::steady_clock::time_point;
// Polled while waiting: true once the server is stopping.
using StopCheck = std::function<bool()>;

class CByteChannel {
public:
    CByteChannel(int socket, StopCheck stopping);
    virtual ~CByteChannel();
    CByteChannel(const CByteChannel&) = delete;
    CByteChannel& operator=(const CByteChannel&) = delete;

    // Readies the connection (the TLS handshake); false when that failed or did not end by `deadline`.
    virtual bool Open(Deadline deadline);
    // Up to `size` bytes: how many came; 0 when the peer closed; -1 on failure, time-out or stop.
    virtual long Read(char* data, std::size_t size, Deadline deadline) = 0;
    // All of `data`; false on failure, time-out or stop.
    virtual bool Write(std::string_view data, Deadline deadline) = 0;
    // True when something can be read before `deadline` (or the peer closed, which the read tells).
    virtual bool WaitReadable(Deadline deadline);

    int Socket() const { return m_socket; }

protected:
    // Waits for the poll `events` on the socket in short slices, checking the stop between them.
    bool Wait(short events, Deadline deadline) const;

private:
    const int m_socket;
    const StopCheck m_stopping;
};

std::unique_ptr<CByteChannel> MakePlainChannel(int socket, StopCheck stopping);
// TLS as the server side, with the listener's context (certificate and key).
std::unique_ptr<CByteChannel> MakeTlsChannel(int socket, ssl_ctx_st* context, StopCheck stopping);
