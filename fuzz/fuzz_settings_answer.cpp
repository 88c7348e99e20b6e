// The settings answer comes from the server and goes straight into the settings key: reading it must
// never crash or hang, and every value must come out with a name and one type.

#include "FuzzCheck.h"
#include "service/SettingsAnswer.h"
#include "utils/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<std::vector<ServerSetting>> settings = ParseSettingsAnswer(Utf8ToUtf16(bytes));
    if (!settings)
        return 0;
    for (const ServerSetting& setting : *settings) {
        FUZZ_CHECK(!setting.name.empty());
        FUZZ_CHECK(!setting.number || setting.text.empty());
    }
    return 0;
}
