#pragma once
// The port push messages arrive on: the handset's WAP datagram layer, played by a UDP socket bound to
// the device configuration's "push-address" (default 0.0.0.0, every IPv4 interface) and "push-port"
// (default 1212; 0 lets the system choose one, which LocalPort then tells).
//
// The socket is bound once per process and shared by every open CPushPort, so that a front end that
// keeps one open to notice arrivals and the service that opens one to read a message use the same
// port, and a message that arrives between two readers waits in the socket. Empty datagrams are
// dropped as they come: a message of size 0 would otherwise stay at the head of the queue and hide
// every message behind it. Thread-safe.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

inline constexpr std::uint16_t kDefaultPushPort = 1212;

class CPushPort {
public:
    // Opens the layer; null (the reason in `error`) when the configured port cannot be bound or the
    // configured port is not a number from 0 to 65535.
    static std::unique_ptr<CPushPort> Open(std::string* error = nullptr);
    ~CPushPort();
    CPushPort(const CPushPort&) = delete;
    CPushPort& operator=(const CPushPort&) = delete;

    // Waits up to `timeoutMs` milliseconds of the installed clock until a message is waiting. Whether
    // one is; the message stays waiting.
    bool WaitForMessage(std::uint32_t timeoutMs);
    // Size in bytes of the waiting message; 0 when none waits.
    std::size_t NextMessageSize();
    // Takes the waiting message; nothing when none waits.
    std::optional<std::string> Read();
    std::uint16_t LocalPort() const;

private:
    struct Binding;
    explicit CPushPort(std::shared_ptr<Binding> binding);
    std::shared_ptr<Binding> m_binding;
};
