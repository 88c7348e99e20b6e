#include "http/ByteChannel.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How often a wait looks at the stop.
constexpr std::chrono::milliseconds kStopSlice{100};

class CPlainChannel final : public CByteChannel {
public:
    using CByteChannel::CByteChannel;

    long Read(char* data, std::size_t size, Deadline deadline) override
    {
        for (;;) {
            const ssize_t received = ::recv(Socket(), data, size, 0);
            if (received >= 0)
                return received;
            if (errno == EINTR)
                continue;
            if ((errno != EAGAIN && errno != EWOULDBLOCK) || !Wait(POLLIN, deadline))
                return -1;
        }
    }

    bool Write(std::string_view data, Deadline deadline) override
    {
        while (!data.empty()) {
            const ssize_t sent = ::send(Socket(), data.data(), data.size(), MSG_NOSIGNAL);
            if (sent > 0) {
                data.remove_prefix(static_cast<std::size_t>(sent));
                continue;
            }
            if (sent < 0 && errno == EINTR)
                continue;
            if (sent == 0 || (errno != EAGAIN && errno != EWOULDBLOCK) || !Wait(POLLOUT, deadline))
                return false;
        }
        return true;
    }
};

} // namespace

CByteChannel::CByteChannel(int socket, StopCheck stopping) : m_socket(socket), m_stopping(std::move(stopping))
{
    const int flags = ::fcntl(m_socket, F_GETFL, 0);
    if (flags >= 0)
        ::fcntl(m_socket, F_SETFL, flags | O_NONBLOCK);
}

CByteChannel::~CByteChannel()
{
    ::shutdown(m_socket, SHUT_RDWR);
    ::close(m_socket);
}

bool CByteChannel::Open(Deadline)
{
    return true;
}

bool CByteChannel::WaitReadable(Deadline deadline)
{
    return Wait(POLLIN, deadline);
}

bool CByteChannel::Wait(short events, Deadline deadline) const
{
    for (;;) {
        if (m_stopping && m_stopping())
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        // Rounded up, so that a wait never ends before its deadline.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        pollfd entry{m_socket, events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(std::min(left, kStopSlice).count()));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

std::unique_ptr<CByteChannel> MakePlainChannel(int socket, StopCheck stopping)
{
    return std::make_unique<CPlainChannel>(socket, std::move(stopping));
}
