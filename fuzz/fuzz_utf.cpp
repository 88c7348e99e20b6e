// UTF-8 and UTF-16 conversions on any bytes: one pass makes the text well-formed, and a second pass
// changes nothing.
#include "FuzzCheck.h"
#include "utils/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::u16string text = Utf8ToUtf16(bytes);
    const std::string utf8 = Utf16ToUtf8(text);
    FUZZ_CHECK(IsValidUtf8(utf8));
    FUZZ_CHECK(Utf8ToUtf16(utf8) == text);
    FUZZ_CHECK(IsValidUtf8(bytes) == (utf8 == bytes));

    // The same bytes as UTF-16 units, lone surrogates included.
    std::u16string units;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    const std::string fromUnits = Utf16ToUtf8(units);
    FUZZ_CHECK(IsValidUtf8(fromUnits));
    FUZZ_CHECK(Utf16ToUtf8(Utf8ToUtf16(fromUnits)) == fromUnits);
    FUZZ_CHECK(UnicodeToUTF8(units) == fromUnits.substr(0, fromUnits.find('\0')));
    for (const char16_t unit : UnicodeToEncodedUTF8(units))
        FUZZ_CHECK(unit < 0x80);
    return 0;
}
