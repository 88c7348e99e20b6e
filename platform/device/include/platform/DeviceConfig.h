#pragma once
// Configuration of the platform stand-ins themselves (not the user's settings, which live in the
// registry): the handset identity, the SMS service centre and gateway, the push datagram port, the
// certificate authority file, failure switches for tests.
//
// Read from "device.conf" in the device data folder: one "key = value" per line (blanks around both
// are dropped; the first line of a key counts); a line whose first non-blank character is "#" is a
// comment, so values may hold "#". An environment variable LUMENO_<KEY> (upper case, "-" as "_")
// overrides the file, also when it is set to the empty text.
// Keys in use:
//   manufacturer, model, revision, oem-info, platform-type, os-version (e.g. "5.1.1700"), imei,
//   subscriber, machine-id, smsc, sms-gateway, push-address, push-port, ca-file, connection-fails.
// Read on every call, so tests may change the file or the environment between cases. Thread-safe.

#include <optional>
#include <string>
#include <string_view>

class CDeviceConfig {
public:
    static std::optional<std::string> Get(std::string_view key);
    static std::string GetOr(std::string_view key, std::string_view fallback);
    // The value of `key` in `text`, lines of a device.conf file as Get reads them (the first line of the
    // key counts); nothing when no line sets it.
    static std::optional<std::string> ValueIn(std::string_view text, std::string_view key);
    // Writes (or replaces) one key in the file, keeping the other lines; the file is replaced whole
    // (mode 0600). False when the value holds a line break or the file cannot be written.
    static bool Set(std::string_view key, std::string_view value);
    // The environment variable that overrides `key` ("push-port": "LUMENO_PUSH_PORT").
    static std::string EnvironmentName(std::string_view key);
};
