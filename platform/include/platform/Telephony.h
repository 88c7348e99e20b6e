#pragma once
// The handset's phone line identity and the platform's unique device id.
//
// Values come from the device configuration (CDeviceConfig: manufacturer, model, oem-info, imei,
// subscriber, platform-type, os-version); missing ones from the machine (DMI: sys_vendor,
// product_name, product_serial where readable). The unique device id is SHA-1 over the machine id
// (/etc/machine-id, else the host name) followed by the application's value and the id version, so it
// is stable per machine and differs between applications.

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
    // False when the line cannot be read at all.
    static bool ReadLineGeneralInfo(LineGeneralInfo& info);
    static OsVersionInfo ReadOsVersion();
    // The application-specific unique device id (20 bytes).
    static bool DeviceUniqueId(std::span<const std::uint8_t> applicationData, std::uint32_t version,
                               std::array<std::uint8_t, 20>& id);
};
