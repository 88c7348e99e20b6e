#pragma once
// Reading typed registry values the way the settings and the summary accept them.

#include "platform/Registry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The value of a REG_DWORD of exactly four bytes; nothing for any other type or size.
std::optional<std::uint32_t> DwordOf(const RegValue& value);

// The text of a REG_SZ or REG_EXPAND_SZ that has an even byte length, ends with a zero character and
// holds at most `maxChars` characters with that terminator; nothing otherwise. The text ends at its
// first zero character.
std::optional<std::u16string> TextOf(const RegValue& value, std::size_t maxChars);

// The longest text the handset's registry readers take, terminator included.
inline constexpr std::size_t kMaxRegTextChars = 260;
