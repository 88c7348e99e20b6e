#pragma once
// Configuration of the platform stand-ins themselves (not the user's settings, which live in the
// registry): the handset identity, the SMS service centre and gateway, the push datagram port, the
// certificate authority file, failure switches for tests.
//
// Read from "device.conf" in the device data folder: one "key = value" per line, "#" starts a
// comment. An environment variable LUMENO_<KEY> (upper case, "-" as "_") overrides the file.
// Keys in use:
//   manufacturer, model, oem-info, platform-type, os-version (e.g. "5.1.1700"), imei, subscriber,
//   smsc, sms-gateway, push-address, push-port, ca-file, connection-fails.
// Read on every call, so tests may change the file or the environment between cases. Thread-safe.

#include <optional>
#include <string>
#include <string_view>

class CDeviceConfig {
public:
    static std::optional<std::string> Get(std::string_view key);
    static std::string GetOr(std::string_view key, std::string_view fallback);
    // Writes (or replaces) one key in the file, keeping the other lines.
    static bool Set(std::string_view key, std::string_view value);
};
