#pragma once
// The server's settings answer: a document whose document element holds lists of "config" or
// "setting" elements, each naming a registry value ("name") and giving it as text ("value").
//
// Per list, the "config" elements are read, or when it has none its "setting" elements; the first
// list with neither ends the answer. Values are typed as they go into the registry: "true"/"false" (any
// case) become 1/0, decimal digits (the empty text too) the number, anything else stays text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ServerSetting {
    std::u16string name;
    std::optional<std::uint32_t> number; // set: stored as REG_DWORD
    std::u16string text;                 // stored as REG_SZ when `number` is not set
};

// The values in document order; nothing when the text is not a document. Elements without both
// attributes, or with an empty name, are skipped; digits too many for 32 bits stay text (logged).
std::optional<std::vector<ServerSetting>> ParseSettingsAnswer(std::u16string_view text);
