// StoreSettings bodies are posted by handsets and their values go into the account and back out to
// every handset of it: reading one must never crash or hang, and what is read must come back unchanged
// through the settings answer the server writes from it.

#include "FuzzCheck.h"
#include "protocol/ServerDocuments.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<std::vector<SettingValue>> values = ReadSettingsDocument(bytes, error);
    if (!values)
        return 0;
    FUZZ_CHECK(!values->empty() && values->size() <= 256);
    const std::optional<std::vector<SettingValue>> again = ReadSettingsDocument(SettingsDocument(*values), error);
    FUZZ_CHECK(again && again->size() == values->size());
    for (std::size_t i = 0; i < values->size(); ++i)
        FUZZ_CHECK((*again)[i].name == (*values)[i].name && (*again)[i].value == (*values)[i].value);
    return 0;
}
