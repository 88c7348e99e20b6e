#pragma once
// Decimal numbers in texts a peer sent (header values, attributes), read as "%d" reads them.

#include <cstdint>
#include <optional>
#include <string_view>

// Blanks first, then an optional "+" or "-" and the digits up to the first other character. Nothing
// without digits, or when the number does not fit 32 bits.
std::optional<std::int32_t> ReadDecimalInt32(std::u16string_view text);
