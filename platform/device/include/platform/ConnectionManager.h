#pragma once
// The handset's connection manager: which network a server address needs, and bringing up and
// releasing the data connection to it.
//
// The host's networking is always up, so no address needs a managed connection here: MapUrl says so.
// Tests play failures through the device configuration's "connection-fails": "establish" (a managed
// connection is needed and cannot be made) or "status" (it is made but ends in the failed state);
// empty or "0" plays no failure. Thread-safe.

#include <cstdint>
#include <optional>
#include <string_view>

using HCONNECTION = std::intptr_t; // 0 is no connection

// Connection states as the handset's connection manager reports them.
enum : std::uint32_t {
    CONNMGR_STATUS_CONNECTED = 0x10,
    CONNMGR_STATUS_CONNECTIONFAILED = 0x21,
    CONNMGR_STATUS_CONNECTIONDISABLED = 0x23,
};

class CConnectionManager {
public:
    // The network that `url` needs a managed connection to; nothing when it needs none.
    static std::optional<std::uint32_t> MapUrl(std::u16string_view url);
    // Brings up a connection to `network` and waits until it is up or has failed; nothing when no
    // connection could be requested.
    static std::optional<HCONNECTION> Establish(std::uint32_t network);
    // The state of a connection (CONNMGR_STATUS_*); nothing for a handle that is not open.
    static std::optional<std::uint32_t> Status(HCONNECTION connection);
    // Releases the connection (not kept cached); a handle that is not open is ignored.
    static void Release(HCONNECTION connection);
};
