#pragma once
// A handset pointed at a real reference server, as the tests against one set it up: device.conf with
// the test handset's identity, its push port bound first on a port the system picks (the server is
// told that one), the server's SMS gateway, and the server's URL in the settings.

#include "RefServerProcess.h"
#include "core/PushWatcher.h"

#include <string>

// The handset's IMEI; the server knows the device by its first 16 digits.
inline constexpr char kHandsetImei[] = "356938035643809123";
inline constexpr char kHandsetDeviceId[] = "3569380356438091";

// Writes the test handset's identity into the current device's device.conf, before the service binds
// the device; false when it cannot be written.
bool ConfigureTestHandset();
// Starts `watcher` and then `server` for the current device. False, with the reason in `error`, when
// either does not start or the device configuration cannot be written.
bool StartServerForHandset(CRefServerProcess& server, CPushWatcher& watcher, std::string& error);
// Stops `server`; after a failed test prints its log and the handset's operation log.
void StopServerForHandset(CRefServerProcess& server, bool failed);
