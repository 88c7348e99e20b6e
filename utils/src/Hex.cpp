#include "utils/Hex.h"

std::uint8_t HexCharToChar(char16_t c)
{
    const std::uint32_t code = c;
    if (code < 58)
        return static_cast<std::uint8_t>(code - 48);
    if (code < 97)
        return static_cast<std::uint8_t>(code - 55);
    return static_cast<std::uint8_t>(code - 87);
}

std::u16string HexStringToString(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const unsigned value = 16u * HexCharToChar(text[i]) + HexCharToChar(text[i + 1]);
        const auto signedByte = static_cast<std::int8_t>(static_cast<std::uint8_t>(value));
        if (signedByte > 31)
            out.push_back(static_cast<char16_t>(signedByte));
    }
    return out;
}

std::string HexUpper(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char character : bytes) {
        const auto byte = static_cast<std::uint8_t>(character);
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0x0F]);
    }
    return out;
}
