#pragma once
// The entry points of a stream driver as the device-manager host calls them. A driver library exports
// "<Prefix>_Init", "<Prefix>_Deinit", "<Prefix>_Open" ... with C linkage; the host finds them by the
// prefix of the driver's registration. Contexts are opaque words.

#include <cstdint>

using DriverContext = std::uintptr_t;

extern "C" {
// Starts the device; 0 means it failed to start (the host then skips it).
using StreamInitFunction = DriverContext (*)(DriverContext activeKey);
// Stops the device; returns once its work has ended. Non-zero on success.
using StreamDeinitFunction = int (*)(DriverContext deviceContext);
}
