// Branding files are data installed beside the program, and any file of the right name is read: taking
// one apart must never crash, and only the entries 1 to 200 may be set.

#include "FuzzCheck.h"
#include "service/CBrandingGuide.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const BrandingTexts texts = ReadBrandingTexts(std::string_view(reinterpret_cast<const char*>(data), size));
    FUZZ_CHECK(texts[0].empty() && texts[kBrandingLocaleTag].empty());
    std::size_t total = 0;
    for (const std::u16string& text : texts)
        total += text.size();
    FUZZ_CHECK(total <= 2 * size);
    return 0;
}
