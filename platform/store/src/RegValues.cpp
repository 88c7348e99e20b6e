#include "platform/Registry.h"

std::optional<std::uint32_t> DwordOf(const RegValue& value)
{
    if (value.type != REG_DWORD || value.data.size() != 4)
        return std::nullopt;
    const auto& d = value.data;
    return static_cast<std::uint32_t>(d[0] | (d[1] << 8) | (d[2] << 16) |
                                      (static_cast<std::uint32_t>(d[3]) << 24));
}

std::optional<std::u16string> TextOf(const RegValue& value, std::size_t maxChars)
{
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
        return std::nullopt;
    const auto& d = value.data;
    if (d.size() < 2 || d.size() % 2 != 0 || d.size() / 2 > maxChars)
        return std::nullopt;
    std::u16string text;
    text.reserve(d.size() / 2);
    for (std::size_t i = 0; i < d.size(); i += 2)
        text.push_back(static_cast<char16_t>(d[i] | (d[i + 1] << 8)));
    if (text.back() != u'\0')
        return std::nullopt;
    text.resize(text.find(u'\0'));
    return text;
}
