#include "utils/Version.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <elf.h>
#include <fstream>
#include <unistd.h>

namespace {

constexpr std::uint32_t kMajor = LUMENO_TEST_VERSION_MAJOR, kMinor = LUMENO_TEST_VERSION_MINOR,
                        kPatch = LUMENO_TEST_VERSION_PATCH, kTweak = LUMENO_TEST_VERSION_TWEAK;

std::string ReadLibrary()
{
    std::ifstream in(LUMENO_TEST_UTILS_FILE, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

VS_FIXEDFILEINFO Sentinel()
{
    VS_FIXEDFILEINFO info;
    std::memset(&info, 0xAB, sizeof info);
    return info;
}

bool IsSentinel(const VS_FIXEDFILEINFO& info)
{
    const VS_FIXEDFILEINFO sentinel = Sentinel();
    return std::memcmp(&info, &sentinel, sizeof info) == 0;
}

template <typename T> void Put(std::string& bytes, std::uint64_t offset, T value)
{
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// Section header fields of the library's own version section, found with the system's ELF header.
struct Layout {
    Elf64_Ehdr header;
    std::uint64_t versionHeader; // offset of the version section's header
    std::uint64_t namesHeader;   // offset of the section names' header
    std::uint64_t versionData;   // offset of the record
};

Layout FindLayout(const std::string& bytes)
{
    Layout layout{};
    std::memcpy(&layout.header, bytes.data(), sizeof layout.header);
    const auto sectionAt = [&](std::uint64_t index) {
        Elf64_Shdr section;
        std::memcpy(&section, bytes.data() + layout.header.e_shoff + index * sizeof section, sizeof section);
        return section;
    };
    const Elf64_Shdr names = sectionAt(layout.header.e_shstrndx);
    layout.namesHeader = layout.header.e_shoff + layout.header.e_shstrndx * sizeof(Elf64_Shdr);
    for (std::uint64_t i = 0; i < layout.header.e_shnum; ++i) {
        const Elf64_Shdr section = sectionAt(i);
        if (std::strcmp(bytes.data() + names.sh_offset + section.sh_name, ".lumeno_version") == 0) {
            layout.versionHeader = layout.header.e_shoff + i * sizeof(Elf64_Shdr);
            layout.versionData = section.sh_offset;
        }
    }
    return layout;
}

// A minimal ELF file of either class and byte order: a null section, the section names and a version
// section holding version 2.3.4.5.
std::string BuildElf(bool is64, bool bigEndian)
{
    std::string out;
    const auto put = [&](std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i)
            out.push_back(static_cast<char>(value >> (8 * (bigEndian ? size - 1 - i : i))));
    };
    const int word = is64 ? 8 : 4;
    const std::uint64_t headerSize = is64 ? 64 : 52;
    const std::string names(".shstrtab\0.lumeno_version\0", 27); // preceded by the empty name
    const std::uint64_t namesOffset = headerSize, recordOffset = namesOffset + 1 + names.size();
    const std::uint64_t tableOffset = recordOffset + 68;

    out.append("\x7F"
               "ELF",
               4);
    out.push_back(is64 ? ELFCLASS64 : ELFCLASS32);
    out.push_back(bigEndian ? ELFDATA2MSB : ELFDATA2LSB);
    out.push_back(EV_CURRENT);
    out.resize(16, '\0');
    put(ET_DYN, 2), put(0, 2), put(EV_CURRENT, 4), put(0, word), put(0, word), put(tableOffset, word);
    put(0, 4), put(headerSize, 2), put(0, 2), put(0, 2), put(is64 ? 64 : 40, 2), put(3, 2), put(1, 2);
    out.push_back('\0');
    out += names;
    out.append("LUMENO-VERSION\0\0", 16);
    for (std::uint32_t value : {kVersionSignature, 0x10000u, 0x20003u, 0x40005u, 0x20003u, 0x40005u, 0x3Fu,
                                0u, 0x40000u, 2u, 0u, 0u, 0u})
        put(value, 4);
    const auto section = [&](std::uint32_t name, std::uint32_t type, std::uint64_t offset,
                             std::uint64_t size) {
        put(name, 4), put(type, 4), put(0, word), put(0, word), put(offset, word), put(size, word);
        put(0, 4), put(0, 4), put(1, word), put(0, word);
    };
    section(0, SHT_NULL, 0, 0);
    section(1, SHT_STRTAB, namesOffset, 1 + names.size());
    section(11, SHT_PROGBITS, recordOffset, 68);
    return out;
}

VS_FIXEDFILEINFO ReadBack(const CTempDir& folder, const std::string& bytes)
{
    VS_FIXEDFILEINFO info = Sentinel();
    GetFileVersion(folder.Write("copy", bytes), info);
    return info;
}

} // namespace

TEST(Version, ReadsTheLibrarysOwnRecord)
{
    VS_FIXEDFILEINFO info = Sentinel();
    GetFileVersion(Utf8ToUtf16(LUMENO_TEST_UTILS_FILE), info);
    EXPECT_EQ(info.dwSignature, kVersionSignature);
    EXPECT_EQ(info.dwFileVersionMS, kMajor << 16 | kMinor);
    EXPECT_EQ(info.dwFileVersionLS, kPatch << 16 | kTweak);
    EXPECT_EQ(info.dwProductVersionMS, kMajor << 16 | kMinor);
    EXPECT_EQ(info.dwProductVersionLS, kPatch << 16 | kTweak);
    EXPECT_EQ(info.dwFileType, 2u); // a library

    const std::string expected = std::to_string(kMajor) + "." + std::to_string(kMinor) + "." +
                                 std::to_string(kPatch) + "." + std::to_string(kTweak);
    EXPECT_EQ(GetSelfVersion(), Utf8ToUtf16(expected));
}

TEST(Version, ReadsBothClassesAndByteOrders)
{
    CTempDir folder;
    for (const bool is64 : {false, true}) {
        for (const bool bigEndian : {false, true}) {
            const VS_FIXEDFILEINFO info = ReadBack(folder, BuildElf(is64, bigEndian));
            EXPECT_EQ(info.dwSignature, kVersionSignature) << is64 << bigEndian;
            EXPECT_EQ(info.dwProductVersionMS, 0x20003u) << is64 << bigEndian;
            EXPECT_EQ(info.dwProductVersionLS, 0x40005u) << is64 << bigEndian;
            EXPECT_EQ(info.dwFileOS, 0x40000u) << is64 << bigEndian;
        }
    }
}

TEST(Version, FilesWithoutAValidRecordLeaveItUntouched)
{
    CTempDir folder;
    const std::string library = ReadLibrary();
    ASSERT_GT(library.size(), 4096u);
    const Layout layout = FindLayout(library);
    ASSERT_NE(layout.versionHeader, 0u);
    ASSERT_FALSE(IsSentinel(ReadBack(folder, library))); // the unchanged copy is read

    struct Patch {
        const char* name;
        void (*apply)(std::string&, const Layout&);
    };
    const Patch patches[] = {
        {"not ELF", [](std::string& b, const Layout&) { b[1] = 'X'; }},
        {"unknown class", [](std::string& b, const Layout&) { b[EI_CLASS] = 3; }},
        {"table at end of file",
         [](std::string& b, const Layout&) { Put<std::uint64_t>(b, 0x28, b.size()); }},
        {"table offset overflows",
         [](std::string& b, const Layout&) { Put<std::uint64_t>(b, 0x28, ~0ull - 8); }},
        {"entry size zero", [](std::string& b, const Layout&) { Put<std::uint16_t>(b, 0x3A, 0); }},
        {"entry size too small", [](std::string& b, const Layout&) { Put<std::uint16_t>(b, 0x3A, 63); }},
        {"too many sections", [](std::string& b, const Layout&) { Put<std::uint16_t>(b, 0x3C, 0xFFFE); }},
        {"names index out of range",
         [](std::string& b, const Layout& l) { Put<std::uint16_t>(b, 0x3E, l.header.e_shnum); }},
        {"extended count too large",
         [](std::string& b, const Layout& l) {
             Put<std::uint16_t>(b, 0x3C, 0);
             Put<std::uint64_t>(b, l.header.e_shoff + 32, ~0ull);
         }},
        {"names beyond file",
         [](std::string& b, const Layout& l) { Put<std::uint64_t>(b, l.namesHeader + 24, b.size()); }},
        {"names size huge",
         [](std::string& b, const Layout& l) { Put<std::uint64_t>(b, l.namesHeader + 32, ~0ull); }},
        {"name offset huge",
         [](std::string& b, const Layout& l) { Put<std::uint32_t>(b, l.versionHeader, ~0u); }},
        {"record beyond file",
         [](std::string& b, const Layout& l) { Put<std::uint64_t>(b, l.versionHeader + 24, b.size() - 10); }},
        {"record offset overflows",
         [](std::string& b, const Layout& l) { Put<std::uint64_t>(b, l.versionHeader + 24, ~0ull - 4); }},
        {"section too small",
         [](std::string& b, const Layout& l) { Put<std::uint64_t>(b, l.versionHeader + 32, 67); }},
        {"no bits",
         [](std::string& b, const Layout& l) { Put<std::uint32_t>(b, l.versionHeader + 4, SHT_NOBITS); }},
        {"wrong tag", [](std::string& b, const Layout& l) { b[l.versionData] = 'l'; }},
        {"wrong signature", [](std::string& b, const Layout& l) { b[l.versionData + 16] ^= 1; }},
    };
    for (const auto& patch : patches) {
        std::string bytes = library;
        patch.apply(bytes, layout);
        EXPECT_TRUE(IsSentinel(ReadBack(folder, bytes))) << patch.name;
    }

    EXPECT_TRUE(IsSentinel(ReadBack(folder, "")));
    EXPECT_TRUE(IsSentinel(ReadBack(folder, "#!/bin/sh\necho not a library\n")));
    VS_FIXEDFILEINFO info = Sentinel();
    GetFileVersion(folder.WidePath("missing"), info);
    GetFileVersion(folder.WidePath(""), info);
    EXPECT_TRUE(IsSentinel(info));
}

// The section table sits at the end of the file, so every truncation loses it.
TEST(Version, TruncatedCopiesLeaveTheRecordUntouched)
{
    CTempDir folder;
    const std::string library = ReadLibrary();
    const std::u16string path = folder.Write("copy", library);
    const std::string native = folder.Path("copy").string();
    std::vector<std::size_t> sizes;
    for (std::size_t size = 0; size <= 128; ++size)
        sizes.push_back(size);
    for (std::size_t step = 1; step <= 400; ++step)
        sizes.push_back(library.size() * step / 401);
    sizes.push_back(library.size() - 1);
    std::sort(sizes.rbegin(), sizes.rend());
    for (const std::size_t size : sizes) {
        ASSERT_EQ(::truncate(native.c_str(), off_t(size)), 0);
        VS_FIXEDFILEINFO info = Sentinel();
        GetFileVersion(path, info);
        ASSERT_TRUE(IsSentinel(info)) << "cut at " << size;
    }
}

TEST(Version, MajorVersionIsTheNumberBeforeTheFirstDot)
{
    const std::pair<std::u16string, std::uint32_t> cases[] = {
        {u"2.3.10", 2},
        {u"10", 0},
        {u".5", 0},
        {u"", 0},
        {u"12.0", 12},
        {u" 7.1", 7},
        {u"x.1", 0},
        {u"3x.1", 3},
        {u"-1.0", 0xFFFFFFFFu},
        {u"99999999999.1", 0x7FFFFFFFu},
    };
    for (const auto& [text, major] : cases)
        EXPECT_EQ(GetMajorVersion(text), major) << std::string(text.begin(), text.end());
}
