#include "http/ConnectionCut.h"

#include <arpa/inet.h>
#include <charconv>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

struct Endpoint {
    std::string address;
    int port = 0;
};

// The address and port of a socket's end (peer or own); nothing useful for a socket that is no TCP/IP one.
template <typename Query> Endpoint EndpointOf(int socket, Query query)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    Endpoint endpoint;
    if (query(socket, reinterpret_cast<sockaddr*>(&storage), &length) != 0)
        return endpoint;
    char text[INET6_ADDRSTRLEN] = {};
    if (storage.ss_family == AF_INET) {
        const auto* address = reinterpret_cast<const sockaddr_in*>(&storage);
        ::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
        endpoint.port = ntohs(address->sin_port);
    } else if (storage.ss_family == AF_INET6) {
        const auto* address = reinterpret_cast<const sockaddr_in6*>(&storage);
        ::inet_ntop(AF_INET6, &address->sin6_addr, text, sizeof text);
        endpoint.port = ntohs(address->sin6_port);
    }
    endpoint.address = text;
    return endpoint;
}

} // namespace

bool CutConnection(int localPort, const std::string& remoteAddress, int remotePort)
{
    std::error_code error;
    for (std::filesystem::directory_iterator entry("/proc/self/fd", error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        int socket = -1;
        const auto parsed = std::from_chars(name.data(), name.data() + name.size(), socket);
        if (parsed.ec != std::errc() || EndpointOf(socket, ::getsockname).port != localPort)
            continue;
        const Endpoint peer = EndpointOf(socket, ::getpeername);
        if (peer.port == remotePort && peer.address == remoteAddress)
            return ::shutdown(socket, SHUT_RDWR) == 0;
    }
    return false;
}
