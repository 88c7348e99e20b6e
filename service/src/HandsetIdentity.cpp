#include "HandsetIdentity.h"

#include "utils/Hex.h"
#include "utils/Utf.h"

#include <dlfcn.h>

#include <array>

namespace {

// The application's fixed value for the platform's unique device id: the GUID
// {B4E3C1D2-7A59-4F08-9C6E-2D15A8F03B71} in its memory layout (the first three fields least
// significant byte first). Changing it changes the device id of every handset without an IMEI.
constexpr std::array<std::uint8_t, 16> kApplicationGuid = {0xD2, 0xC1, 0xE3, 0xB4, 0x59, 0x7A, 0x08, 0x4F,
                                                           0x9C, 0x6E, 0x2D, 0x15, 0xA8, 0xF0, 0x3B, 0x71};
constexpr std::uint32_t kDeviceIdVersion = 1;
constexpr std::size_t kDeviceIdLength = 16;

std::u16string Decimal(std::uint32_t value)
{
    // The agent strings print their numbers with "%d".
    return Utf8ToUtf16(std::to_string(static_cast<std::int32_t>(value)));
}

} // namespace

std::u16string FallbackDeviceId()
{
    std::array<std::uint8_t, 20> id{};
    if (!CTelephony::DeviceUniqueId(kApplicationGuid, kDeviceIdVersion, id))
        return {};
    const std::string hex = HexUpper(std::string_view(reinterpret_cast<const char*>(id.data()), id.size()));
    return Latin1ToUtf16(hex.substr(0, kDeviceIdLength));
}

std::u16string BuildUserAgent(std::u16string_view manufacturer, const OsVersionInfo& os)
{
    std::u16string agent(manufacturer);
    agent += u"-" + os.oemInfo + u"/" + os.platformType + u"/WindowsCE_";
    agent += Decimal(os.major) + u"." + Decimal(os.minor) + u"." + Decimal(os.build);
    return agent;
}

std::u16string BuildApplicationAgent(const VS_FIXEDFILEINFO& version)
{
    return u"WinCEMobile/" + Decimal(version.dwProductVersionMS >> 16) + u"." +
           Decimal(version.dwProductVersionMS & 0xFFFF) + u"." + Decimal(version.dwProductVersionLS >> 16);
}

VS_FIXEDFILEINFO ServiceLibraryVersion()
{
    VS_FIXEDFILEINFO info{};
    Dl_info library{};
    // Any function of this library names the file it was loaded from.
    if (::dladdr(reinterpret_cast<void*>(&ServiceLibraryVersion), &library) == 0 || !library.dli_fname)
        return info;
    GetFileVersion(Utf8ToUtf16(library.dli_fname), info);
    return info;
}
