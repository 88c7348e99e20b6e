#pragma once
// Shared by the PIM reader fuzz targets: bytes to item text, then reader and writer on a memory store.

#include "pim/ItemConverter.h"
#include "platform/PimStore.h"
#include "utils/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::size_t kFuzzPimMaxInput = 64 * 1024;

// The readers log a line for nearly every malformed input; no log sink is installed, so they are
// dropped rather than being most of what a fuzzer does.

inline std::u16string FuzzItemText(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return {};
    if (data[0] % 2 == 0)
        return Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    std::u16string text;
    for (std::size_t i = 1; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    return text;
}

// Reads the text into a new saved item of the folder's kind, then writes the item out again.
inline void FuzzReadText(std::u16string_view text, PimFolder folder)
{
    auto store = CreateMemoryPimStore();
    std::unique_ptr<CPimItem> item;
    CPimItems(*store, folder).Add(item);
    item->Save();
    ItemConverter reader;
    reader.Attach(*item);
    reader.SetText(text);
    item->Save();
    ItemConverter writer;
    writer.Attach(*item);
    const std::u16string written = writer.GetText();
    if (written.empty())
        __builtin_trap(); // every attached item has at least its BEGIN and END lines
}

inline void FuzzReadItem(const std::uint8_t* data, std::size_t size, PimFolder folder)
{
    if (size > kFuzzPimMaxInput)
        return;
    FuzzReadText(FuzzItemText(data, size), folder);
}
