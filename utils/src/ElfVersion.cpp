#include "ElfVersion.h"

#include "PosixFile.h"

#include <cstring>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace utils_elf {
namespace {

constexpr char kSectionName[] = ".lumeno_version"; // compared with its terminating zero
constexpr char kTag[16] = "LUMENO-VERSION";
constexpr std::size_t kRecordSize = sizeof kTag + 13 * 4;
constexpr std::uint32_t kSignature = 0xFEEF04BDu;

constexpr std::uint32_t kSectionNoBits = 8;      // SHT_NOBITS: no bytes in the file
constexpr std::uint32_t kExtendedIndex = 0xFFFF; // SHN_XINDEX: the real index is in section 0
// Real files have a few dozen sections and a string table of a few hundred bytes; anything beyond
// these limits is treated as damaged rather than read into memory.
constexpr std::uint64_t kMaxTableBytes = 16u << 20;
constexpr std::uint64_t kMaxNamesBytes = 16u << 20;

struct SectionHeader {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

class CElfFile {
public:
    CElfFile(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}

    bool Contains(std::uint64_t offset, std::uint64_t count) const
    {
        return offset <= m_size && count <= m_size - offset;
    }

    // Reads `count` bytes at `offset` when they lie wholly inside the file.
    bool ReadAt(std::uint64_t offset, void* buffer, std::uint64_t count) const
    {
        if (!Contains(offset, count))
            return false;
        return utils_posix::ReadFullAt(m_fd, buffer, count, static_cast<off_t>(offset)) ==
               static_cast<ssize_t>(count);
    }

    bool ReadIdentity()
    {
        unsigned char identity[16];
        if (!ReadAt(0, identity, sizeof identity) || std::memcmp(identity,
                                                                 "\x7F"
                                                                 "ELF",
                                                                 4) != 0)
            return false;
        if ((identity[4] != 1 && identity[4] != 2) || (identity[5] != 1 && identity[5] != 2))
            return false;
        m_is64 = identity[4] == 2;
        m_bigEndian = identity[5] == 2;
        return true;
    }

    std::uint16_t U16(const unsigned char* p) const
    {
        return m_bigEndian ? std::uint16_t(p[0] << 8 | p[1]) : std::uint16_t(p[1] << 8 | p[0]);
    }
    std::uint32_t U32(const unsigned char* p) const
    {
        const std::uint32_t high = U16(m_bigEndian ? p : p + 2);
        const std::uint32_t low = U16(m_bigEndian ? p + 2 : p);
        return high << 16 | low;
    }
    std::uint64_t U64(const unsigned char* p) const
    {
        const std::uint64_t high = U32(m_bigEndian ? p : p + 4);
        const std::uint64_t low = U32(m_bigEndian ? p + 4 : p);
        return high << 32 | low;
    }

    bool Is64() const { return m_is64; }
    std::uint64_t Size() const { return m_size; }

    SectionHeader ParseSection(const unsigned char* p) const
    {
        SectionHeader header;
        header.name = U32(p);
        header.type = U32(p + 4);
        if (m_is64) {
            header.offset = U64(p + 24);
            header.size = U64(p + 32);
            header.link = U32(p + 40);
        } else {
            header.offset = U32(p + 16);
            header.size = U32(p + 20);
            header.link = U32(p + 24);
        }
        return header;
    }

private:
    int m_fd;
    std::uint64_t m_size;
    bool m_is64 = false;
    bool m_bigEndian = false;
};

} // namespace

std::optional<std::array<std::uint32_t, 13>> ReadVersionRecord(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0)
        return std::nullopt;
    CElfFile file(fd, static_cast<std::uint64_t>(info.st_size));
    if (!file.ReadIdentity())
        return std::nullopt;

    unsigned char header[64];
    const std::uint64_t headerSize = file.Is64() ? 64 : 52;
    if (!file.ReadAt(0, header, headerSize))
        return std::nullopt;
    const std::uint64_t tableOffset = file.Is64() ? file.U64(header + 40) : file.U32(header + 32);
    const std::uint64_t entrySize = file.U16(header + (file.Is64() ? 58 : 46));
    std::uint64_t count = file.U16(header + (file.Is64() ? 60 : 48));
    std::uint64_t namesIndex = file.U16(header + (file.Is64() ? 62 : 50));
    const std::uint64_t minimumEntrySize = file.Is64() ? 64 : 40;
    if (tableOffset == 0 || tableOffset > file.Size() || entrySize < minimumEntrySize)
        return std::nullopt;

    // Files with very many sections keep the count and the names index in section 0.
    if (count == 0 || namesIndex == kExtendedIndex) {
        unsigned char first[64];
        if (!file.ReadAt(tableOffset, first, minimumEntrySize))
            return std::nullopt;
        const SectionHeader section = file.ParseSection(first);
        if (count == 0)
            count = section.size;
        if (namesIndex == kExtendedIndex)
            namesIndex = section.link;
    }
    if (count == 0 || count > (file.Size() - tableOffset) / entrySize || count * entrySize > kMaxTableBytes ||
        namesIndex >= count)
        return std::nullopt;

    std::vector<unsigned char> table(count * entrySize);
    if (!file.ReadAt(tableOffset, table.data(), table.size()))
        return std::nullopt;

    const SectionHeader names = file.ParseSection(table.data() + namesIndex * entrySize);
    if (names.type == kSectionNoBits || names.size > kMaxNamesBytes ||
        !file.Contains(names.offset, names.size))
        return std::nullopt;
    std::string nameTable(names.size, '\0');
    if (!file.ReadAt(names.offset, nameTable.data(), nameTable.size()))
        return std::nullopt;

    for (std::uint64_t index = 0; index < count; ++index) {
        const SectionHeader section = file.ParseSection(table.data() + index * entrySize);
        if (section.name >= nameTable.size() ||
            std::string_view(nameTable).substr(section.name, sizeof kSectionName) !=
                std::string_view(kSectionName, sizeof kSectionName))
            continue;
        unsigned char record[kRecordSize];
        if (section.type == kSectionNoBits || section.size < kRecordSize ||
            !file.ReadAt(section.offset, record, kRecordSize))
            return std::nullopt;
        if (std::memcmp(record, kTag, sizeof kTag) != 0 || file.U32(record + sizeof kTag) != kSignature)
            return std::nullopt;
        std::array<std::uint32_t, 13> words{};
        for (std::size_t i = 0; i < words.size(); ++i)
            words[i] = file.U32(record + sizeof kTag + 4 * i);
        return words;
    }
    return std::nullopt;
}

} // namespace utils_elf
