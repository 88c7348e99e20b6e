#include "platform/Telephony.h"

#include "platform/DeviceConfig.h"
#include "utils/AsciiFold.h"
#include "utils/Sha1.h"
#include "utils/Utf.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <fstream>
#include <optional>

namespace {

constexpr const char* kDmiFolder = "/sys/class/dmi/id/";

std::string Trimmed(std::string text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The first line of a small system file, trimmed; empty when it cannot be read.
std::string ReadFirstLine(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return Trimmed(line);
}

// Firmware fills fields it does not know with placeholders; they identify nothing.
bool IsPlaceholder(std::string_view value)
{
    static constexpr std::array<std::string_view, 7> kPlaceholders = {
        "", "0", "none", "not specified", "to be filled by o.e.m.", "default string", "system serial number"};
    for (std::string_view placeholder : kPlaceholders) {
        if (EqualsFolded(value, placeholder))
            return true;
    }
    return false;
}

// A configured value (even an empty one) wins; otherwise the DMI field, unless it is a placeholder.
std::u16string ConfiguredOrDmi(std::string_view key, const char* dmiField)
{
    if (const auto configured = CDeviceConfig::Get(key))
        return Utf8ToUtf16(*configured);
    if (!dmiField)
        return {};
    const std::string value = ReadFirstLine(std::string(kDmiFolder) + dmiField);
    return IsPlaceholder(value) ? std::u16string() : Utf8ToUtf16(value);
}

// "a.b.c" into three numbers; missing or bad parts stay 0.
void ParseVersion(std::string_view text, OsVersionInfo& info)
{
    std::array<std::uint32_t*, 3> parts = {&info.major, &info.minor, &info.build};
    for (std::uint32_t* part : parts) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *part);
        if (error != std::errc())
            *part = 0;
        const std::size_t dot = text.find('.', static_cast<std::size_t>(end - text.data()));
        if (dot == std::string_view::npos)
            return;
        text.remove_prefix(dot + 1);
    }
}

std::string MachineId()
{
    if (const auto configured = CDeviceConfig::Get("machine-id"))
        return *configured;
    std::string id = ReadFirstLine("/etc/machine-id");
    if (!id.empty())
        return id;
    std::array<char, 256> host{};
    if (::gethostname(host.data(), host.size() - 1) == 0)
        return host.data();
    return {};
}

} // namespace

bool CTelephony::ReadLineGeneralInfo(LineGeneralInfo& info)
{
    info = LineGeneralInfo{};
    info.manufacturer = ConfiguredOrDmi("manufacturer", "sys_vendor");
    info.model = ConfiguredOrDmi("model", "product_name");
    info.revision = ConfiguredOrDmi("revision", "product_version");
    info.serialNumber = ConfiguredOrDmi("imei", "product_serial");
    info.subscriberNumber = ConfiguredOrDmi("subscriber", nullptr);
    return !info.manufacturer.empty() || !info.model.empty() || !info.serialNumber.empty();
}

OsVersionInfo CTelephony::ReadOsVersion()
{
    OsVersionInfo info;
    info.oemInfo = ConfiguredOrDmi("oem-info", "product_name");
    info.platformType = Utf8ToUtf16(CDeviceConfig::GetOr("platform-type", "PocketPC"));
    if (const auto configured = CDeviceConfig::Get("os-version")) {
        ParseVersion(*configured, info);
    } else {
        utsname names{};
        if (::uname(&names) == 0)
            ParseVersion(names.release, info);
    }
    return info;
}

bool CTelephony::DeviceUniqueId(std::span<const std::uint8_t> applicationData, std::uint32_t version,
                                std::array<std::uint8_t, 20>& id)
{
    id.fill(0);
    // Like the handset, refuse application values too short to tell applications apart.
    if (applicationData.size() < 8)
        return false;
    const std::string machine = MachineId();
    if (machine.empty())
        return false;
    CSha1 sha;
    sha.Update(machine);
    sha.Update(applicationData.data(), applicationData.size());
    const std::array<std::uint8_t, 4> versionBytes = {
        static_cast<std::uint8_t>(version), static_cast<std::uint8_t>(version >> 8),
        static_cast<std::uint8_t>(version >> 16), static_cast<std::uint8_t>(version >> 24)};
    sha.Update(versionBytes.data(), versionBytes.size());
    id = sha.Final();
    return true;
}
