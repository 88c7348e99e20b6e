#pragma once
// A private control channel between the programs of one user: a Unix stream socket on which a server
// answers one-line requests with one reply (the device-manager host takes its load and unload requests
// this way).
//
// A request is one line of at most kMaxLocalRequest bytes; longer ones are refused unread. Errors come
// back as values; nothing throws. Waits are in real time (a socket cannot wait on the installed clock).
// One object is used by one thread at a time.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxLocalRequest = 4096;

class CLocalServer {
public:
    CLocalServer() = default;
    ~CLocalServer(); // closes the socket and removes its file
    CLocalServer(const CLocalServer&) = delete;
    CLocalServer& operator=(const CLocalServer&) = delete;

    // Listens at `path` (mode 0600). A socket file nobody answers on is taken over; one that a live
    // server answers on is not: false, with the reason in `error`.
    bool Listen(const std::filesystem::path& path, std::string& error);

    // Waits up to `timeoutMs` for one client, reads its request line, sends `answer(line)` and closes
    // the connection. False when nobody came in time, the wait was interrupted by a signal, or the
    // client sent no complete line within a second.
    bool ServeOne(std::uint32_t timeoutMs, const std::function<std::string(std::string_view request)>& answer);

private:
    int m_fd = -1;
    std::filesystem::path m_path;
};

// Sends `request` (one line, without its newline) to the server at `path` and returns its whole reply.
// Nothing when no server listens there or it does not answer within `timeoutMs`.
std::optional<std::string> LocalRequest(const std::filesystem::path& path, std::string_view request,
                                        std::uint32_t timeoutMs);
