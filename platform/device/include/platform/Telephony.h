#pragma once
// The handset's phone line identity and the platform's unique device id.
//
// Values come from the device configuration (CDeviceConfig: manufacturer, model, revision, oem-info,
// imei, subscriber, platform-type, os-version); a key that is set, even to the empty text, wins. Missing
// ones come from the machine (DMI: sys_vendor, product_name, product_version, product_serial where
// readable; firmware placeholders such as "To be filled by O.E.M." count as none). The platform type
// defaults to "PocketPC", the OS version to the kernel release. The unique device id is SHA-1 over the
// machine id ("machine-id" key, else /etc/machine-id, else the host name), the application's value and
// the id version (4 bytes, least significant first), so it is stable per machine and differs between
// applications.

#include <array>
#include <cstdint>
#include <span>
#include <string>

struct LineGeneralInfo {
    std::u16string manufacturer;     // empty when none could be found
    std::u16string model;
    std::u16string revision;
    std::u16string serialNumber;     // IMEI; empty when the line reports none
    std::u16string subscriberNumber; // empty when unknown
};

struct OsVersionInfo {
    std::u16string oemInfo;
    std::u16string platformType;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
};

class CTelephony {
public:
    // False when the line tells nothing at all (no manufacturer, model or serial number).
    static bool ReadLineGeneralInfo(LineGeneralInfo& info);
    static OsVersionInfo ReadOsVersion();
    // The application-specific unique device id (20 bytes). False (and `id` zeroed) when the
    // application value is shorter than 8 bytes or no machine id can be found.
    static bool DeviceUniqueId(std::span<const std::uint8_t> applicationData, std::uint32_t version,
                               std::array<std::uint8_t, 20>& id);
};
