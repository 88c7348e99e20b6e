#include "utils/Crc32.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

std::vector<unsigned char> RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::vector<unsigned char> bytes(size);
    for (auto& byte : bytes)
        byte = static_cast<unsigned char>(generator());
    return bytes;
}

std::uint32_t ZlibCrc(const unsigned char* data, std::size_t size)
{
    return static_cast<std::uint32_t>(::crc32_z(0, data, size));
}

} // namespace

TEST(Crc32, ItemChecksumKnownValues)
{
    std::uint32_t crc = 0;
    EXPECT_EQ(Crc32Win32String(u"", crc), S_OK);
    EXPECT_EQ(crc, 0xFFFFFFFFu);
    EXPECT_EQ(Crc32Win32String(u"abc", crc), S_OK);
    EXPECT_EQ(crc, 0x526A854Fu);
    EXPECT_EQ(crc, 1382712655u);
}

// Slicing must give the byte-at-a-time result whatever the length and the start alignment; zlib's
// crc32 is the independent reference (zlib inverts at both ends, our register does not).
TEST(Crc32, RegisterUpdateMatchesZlibAtEveryLengthAndAlignment)
{
    const auto bytes = RandomBytes(4100 + 16, 1);
    for (std::size_t length = 0; length <= 4100; ++length) {
        const std::size_t alignment = (length + length / 16) % 16; // every (length % 16, alignment) pair
        const unsigned char* data = bytes.data() + alignment;
        ASSERT_EQ(~Crc32Update(0xFFFFFFFFu, data, length), ZlibCrc(data, length)) << "length " << length;
    }
    const auto large = RandomBytes((8u << 20) + 3, 2);
    EXPECT_EQ(~Crc32Update(0xFFFFFFFFu, large.data() + 1, large.size() - 1),
              ZlibCrc(large.data() + 1, large.size() - 1));
}

TEST(Crc32, RegisterUpdateContinuesAcrossPieces)
{
    const auto bytes = RandomBytes(300, 3);
    const std::uint32_t whole = Crc32Update(0xFFFFFFFFu, bytes.data(), bytes.size());
    for (std::size_t split = 0; split <= bytes.size(); split += 13) {
        const std::uint32_t first = Crc32Update(0xFFFFFFFFu, bytes.data(), split);
        EXPECT_EQ(Crc32Update(first, bytes.data() + split, bytes.size() - split), whole) << "split " << split;
    }
}

TEST(Crc32, ItemChecksumIsUninvertedCrcOfUtf16LeBytes)
{
    std::mt19937 generator(4);
    for (std::size_t length = 0; length < 600; length += 7) {
        std::u16string text;
        std::vector<unsigned char> bytes;
        for (std::size_t i = 0; i < length; ++i) {
            const auto unit = static_cast<char16_t>(generator());
            text.push_back(unit);
            bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
            bytes.push_back(static_cast<unsigned char>(unit >> 8));
        }
        std::uint32_t crc = 0;
        ASSERT_EQ(Crc32Win32String(text, crc), S_OK);
        EXPECT_EQ(crc, ~ZlibCrc(bytes.data(), bytes.size())) << "length " << length;
    }
}

TEST(Crc32, FileChecksumAndItsTexts)
{
    struct Case {
        std::string content;
        std::uint32_t crc;
        std::u16string hex;
        std::u16string decimal;
    };
    const Case cases[] = {
        {"", 0x00000000u, u"00000000", u"0"},
        {"abc", 0x352441C2u, u"352441C2", u"891568578"},
        {"123456789", 0xCBF43926u, u"CBF43926", u"-873187034"}, // the CRC-32 check value
    };
    CTempDir folder;
    for (const auto& c : cases) {
        const std::u16string path = folder.Write("file", c.content);
        std::uint32_t crc = 1;
        std::u16string hex, decimal;
        EXPECT_EQ(FileCrc32Win32(path, crc), S_OK);
        EXPECT_EQ(FileCrc32Win32Hex(path, hex), S_OK);
        EXPECT_EQ(FileCrc32Win32String(path, decimal), S_OK);
        EXPECT_EQ(crc, c.crc) << c.content;
        EXPECT_EQ(hex, c.hex) << c.content;
        EXPECT_EQ(decimal, c.decimal) << c.content;
    }
}

TEST(Crc32, FileChecksumOfFileLargerThanOneReadBlock)
{
    // Whole blocks of 64 KiB end with a read that finds nothing more; others with a short block.
    for (const std::size_t size : {std::size_t{2 * 65'536}, std::size_t{200'003}}) {
        const auto bytes = RandomBytes(size, 5);
        CTempDir folder;
        const std::u16string path =
            folder.Write("big", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        std::uint32_t crc = 0;
        ASSERT_EQ(FileCrc32Win32(path, crc), S_OK);
        EXPECT_EQ(crc, ZlibCrc(bytes.data(), bytes.size())) << size;
    }
}

TEST(Crc32, FileChecksumFailuresCarryTheSystemErrorAndLeaveTextsAlone)
{
    CTempDir folder;
    struct Case {
        std::u16string path;
        HRESULT expected;
    };
    const Case cases[] = {
        {folder.WidePath("missing"), HResultFromErrno(ENOENT)},
        {folder.WidePath(""), HResultFromErrno(EISDIR)}, // opens, but reading a folder fails
        {std::u16string(u"a\0b", 3), HResultFromErrno(EINVAL)},
    };
    for (const auto& c : cases) {
        std::uint32_t crc = 7;
        std::u16string hex = u"keep", decimal = u"keep";
        EXPECT_EQ(FileCrc32Win32(c.path, crc), c.expected);
        EXPECT_EQ(crc, 0u);
        EXPECT_EQ(FileCrc32Win32Hex(c.path, hex), c.expected);
        EXPECT_EQ(FileCrc32Win32String(c.path, decimal), c.expected);
        EXPECT_EQ(hex, u"keep");
        EXPECT_EQ(decimal, u"keep");
    }
}
