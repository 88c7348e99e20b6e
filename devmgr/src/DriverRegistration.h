#pragma once
// Driver registrations as the device manager reads them: one key per driver under
// "Drivers\BuiltIn" of the user's registry, with the library ("Dll", text), the entry-point prefix
// ("Prefix", three letters), the device index ("Index", 0-9) and an optional load order ("Order").

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

inline constexpr std::u16string_view kBuiltInDriversKey = u"Drivers\\BuiltIn";

// Where the host's reports go, one line at a time.
using HostLog = std::function<void(std::string_view line)>;

struct DriverRegistration {
    std::u16string key;     // the registration's key name, e.g. "ORVANE_CIR"
    std::u16string library; // as registered: "OrvaneCir", "\windows\OrvaneCir.dll" or a host path
    std::u16string prefix;  // "CIR"
    std::uint32_t index = 0;
    std::uint32_t order = 0;

    // "CIR0:"
    std::u16string DeviceName() const;
};

// The registration under `key`; nothing (and `error` says why) when the key is missing or a value is
// missing or malformed.
std::optional<DriverRegistration> ReadDriverRegistration(std::u16string_view key, std::string& error);
// Every registration, by load order then key name; malformed ones are logged and left out.
std::vector<DriverRegistration> ReadDriverRegistrations(const HostLog& log);
// Writes a registration unless its key exists already (a user's changes are kept).
bool RegisterDriverIfMissing(const DriverRegistration& registration);

// The driver's name in a library value: without folders and extension, and without "lib" for a host
// file ("\windows\OrvaneCir.dll", "OrvaneCir" and "/usr/lib/lumeno/libOrvaneCir.so.1" are "OrvaneCir").
std::u16string DriverName(std::u16string_view library);
// The file to load: a value with "/" is a host path; any other is lib<name>.so (or its highest
// versioned file lib<name>.so.N) in `driverFolder`.
std::filesystem::path DriverLibraryPath(std::u16string_view library, const std::filesystem::path& driverFolder);
