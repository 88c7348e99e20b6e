#pragma once
// One UDP socket for push datagrams: the reference server sends them to handsets, and handsets (and
// the tests standing in for them) receive them.
//
// Addresses are IPv4 or IPv6 literals or host names. Errors come back as values with a reason; nothing
// throws. One object is used by one thread at a time; separate objects are independent. Receive waits
// in real time (a socket cannot wait on the installed clock).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct Datagram {
    std::string bytes;
    std::string fromAddress; // numeric
    std::uint16_t fromPort = 0;
};

class CUdpSocket {
public:
    CUdpSocket() = default;
    ~CUdpSocket();
    CUdpSocket(const CUdpSocket&) = delete;
    CUdpSocket& operator=(const CUdpSocket&) = delete;
    CUdpSocket(CUdpSocket&& other) noexcept;
    CUdpSocket& operator=(CUdpSocket&& other) noexcept;

    // Opens a socket bound to `address` and `port` (0: a free port chosen by the system), closing any
    // socket held before. False (object closed, reason in `error`) when the address does not resolve or
    // the port is taken.
    bool Bind(std::string_view address, std::uint16_t port, std::string* error = nullptr);
    bool IsOpen() const { return m_fd >= 0; }
    // The bound port; 0 when closed or not bound.
    std::uint16_t LocalPort() const;
    void Close();

    // Sends one datagram. A closed object first opens an unbound socket of the destination's family; a
    // bound socket of the other family sends through a temporary one. False (reason in `error`) when
    // the destination does not resolve or the send fails.
    bool SendTo(std::string_view address, std::uint16_t port, std::string_view bytes,
                std::string* error = nullptr);

    // Waits up to `timeoutMs` for one datagram on the bound socket. Nothing on time-out, on error or
    // when closed. A datagram longer than `maxBytes` is cut to `maxBytes`.
    std::optional<Datagram> Receive(std::uint32_t timeoutMs, std::size_t maxBytes = 65507);

private:
    int m_fd = -1;
    int m_family = 0;
};
