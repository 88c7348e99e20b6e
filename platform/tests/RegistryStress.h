#pragma once
// What the registry_stress helper writes, so that the tests can check every value it reported.

#include <cstdint>
#include <string>
#include <vector>

inline constexpr char16_t kStressKey[] = u"Software\\Stress";

inline std::u16string StressName(const std::string& prefix, std::uint32_t index)
{
    const std::string name = prefix + "-" + std::to_string(index);
    return std::u16string(name.begin(), name.end());
}

// Length and contents vary with the index, so a torn or misplaced value shows.
inline std::vector<std::uint8_t> StressData(std::uint32_t index)
{
    std::vector<std::uint8_t> data(16 + index % 200);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(index * 31 + i * 7);
    return data;
}
