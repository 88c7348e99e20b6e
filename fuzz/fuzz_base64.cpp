// Both Base64 decoders on any bytes, and the encoders' round trips on the same bytes.
#include "FuzzCheck.h"
#include "utils/Base64.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool IsAlphabet(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Decoding: the strict decoder reads the text up to its first character outside the alphabet,
    // which is what the lenient decoder makes of that prefix.
    std::u16string widened(bytes.begin(), bytes.end());
    for (char16_t& unit : widened)
        unit = static_cast<char16_t>(unit & 0xFF);
    std::size_t stop = 0;
    while (stop < bytes.size() && IsAlphabet(bytes[stop]))
        ++stop;
    const std::string strict = Base64Decode(widened);
    FUZZ_CHECK(strict == Base64DecodeLenient(bytes.substr(0, stop)));
    FUZZ_CHECK(Base64DecodeLenient(bytes).size() <= size / 4 * 3 + 2);

    // Units with a high byte decode by their low byte.
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        wide.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    Base64Decode(wide);

    // Encoding round trips, and the line form only ever breaks between full lines.
    const std::string plain = Base64Encode(bytes);
    FUZZ_CHECK(plain.size() == (size + 2) / 3 * 4);
    FUZZ_CHECK(Base64Decode(std::u16string(plain.begin(), plain.end())) == bytes);
    const std::string lines = Base64EncodeLines(bytes);
    FUZZ_CHECK(Base64DecodeLenient(lines) == bytes);
    FUZZ_CHECK(lines.size() < 2 || lines.compare(lines.size() - 2, 2, "\r\n") != 0);
    for (std::size_t start = 0; start < lines.size();) {
        const std::size_t end = lines.find("\r\n", start);
        const std::size_t length = (end == std::string::npos ? lines.size() : end) - start;
        FUZZ_CHECK(length == 76 || end == std::string::npos);
        start = end == std::string::npos ? lines.size() : end + 2;
    }
    return 0;
}
