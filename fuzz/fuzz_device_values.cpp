// Registry values and the device configuration are files anyone with the device's folder may have
// written: reading a typed value, or a key of device.conf, must never crash, and what is read must keep
// the rules the readers promise.

#include "FuzzCheck.h"
#include "platform/DeviceConfig.h"
#include "platform/Registry.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);

    RegValue value;
    value.type = data[0] % 6;
    value.data.assign(data + 1, data + size);
    if (const std::optional<std::uint32_t> number = DwordOf(value))
        FUZZ_CHECK(value.type == REG_DWORD && value.data.size() == 4);
    if (const std::optional<std::u16string> text = TextOf(value, kMaxRegTextChars)) {
        FUZZ_CHECK(value.type == REG_SZ || value.type == REG_EXPAND_SZ);
        FUZZ_CHECK(text->size() < kMaxRegTextChars && text->find(u'\0') == std::u16string::npos);
    }

    for (const std::string_view key : {"imei", "push-port", "#", ""}) {
        const std::optional<std::string> found = CDeviceConfig::ValueIn(rest, key);
        if (!found)
            continue;
        FUZZ_CHECK(rest.find(*found) != std::string_view::npos);
        FUZZ_CHECK(found->find('\n') == std::string::npos);
        FUZZ_CHECK(found->empty() || (found->front() != ' ' && found->back() != ' '));
    }
    return 0;
}
