#pragma once
// Private to Utils: locating the version record inside an ELF file.

#include <array>
#include <cstdint>
#include <optional>

namespace utils_elf {

// The 13 words of the version record of the open file `fd`, converted to host order, or nothing when
// the file is not ELF or has no valid record. Reads only within the file's size; never trusts an
// offset, count or size taken from the file before checking it.
std::optional<std::array<std::uint32_t, 13>> ReadVersionRecord(int fd);

} // namespace utils_elf
