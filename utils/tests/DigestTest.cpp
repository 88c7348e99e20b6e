// MD5 (RFC 1321) and SHA-1 (FIPS 180-4, RFC 3174).
#include "utils/AsciiFold.h"
#include "utils/Hex.h"
#include "utils/Md5.h"
#include "utils/Sha1.h"

#include <gtest/gtest.h>

namespace {

template <std::size_t N> std::string Lower(const std::array<std::uint8_t, N>& digest)
{
    return FoldAscii(HexUpper(std::string_view(reinterpret_cast<const char*>(digest.data()), N)));
}

struct Vector {
    std::string message;
    const char* md5;
    const char* sha1;
};

const std::string kDigits = "1234567890";

// The RFC 1321 test suite, the FIPS 180 / RFC 3174 messages, and lengths around the padding
// boundaries (55 to 65 and 119, 120 bytes) where one or two final blocks are needed.
const Vector kVectors[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {"a", "0cc175b9c0f1b6a831c399e269772661", "86f7e437faa5a7fce15d1ddcb9eaeaea377667b8"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0", nullptr},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b", nullptr},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f",
     nullptr},
    {kDigits + kDigits + kDigits + kDigits + kDigits + kDigits + kDigits + kDigits,
     "57edf4a22be3c955ac49da2e2107b67a", nullptr},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", nullptr,
     "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65", "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
    {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218", "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
    {std::string(57, 'a'), "652b906d60af96844ebd21b674f35e93", "f08f24908d682555111be7ff6f004e78283d989a"},
    {std::string(63, 'a'), "b06521f39153d618550606be297466d5", "03f09f5b158a7a8cdad920bddc29b81c18a551f5"},
    {std::string(64, 'a'), "014842d480b571495a4a0363793f7367", "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
    {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435", "11655326c708d70319be2610e8a57d9a5b959d3b"},
    {std::string(119, 'a'), "8a7bd0732ed6a28ce75f6dabc90e1613", "ee971065aaa017e0632a8ca6c77bb3bf8b1dfc56"},
    {std::string(120, 'a'), "5f61c0ccad4cac44c75ff505e1f1e537", "f34c1488385346a55709ba056ddd08280dd4c6d6"},
    {std::string(1'000'000, 'a'), "7707d6ae4e027c70eea2a935c2296f21",
     "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
};

} // namespace

TEST(Digest, PublishedVectors)
{
    for (const auto& v : kVectors) {
        if (v.md5) {
            EXPECT_EQ(Lower(Md5(v.message)), v.md5) << v.message.size() << " bytes";
        }
        if (v.sha1) {
            EXPECT_EQ(Lower(Sha1(v.message)), v.sha1) << v.message.size() << " bytes";
        }
    }
}

// Splitting a message anywhere, into two pieces or into single bytes, gives the same digest.
TEST(Digest, IncrementalUpdatesSplitAtEveryBoundary)
{
    std::string message;
    for (int i = 0; i < 200; ++i)
        message.push_back(static_cast<char>(i * 37 + 11));
    const auto md5 = Md5(message);
    const auto sha1 = Sha1(message);
    for (std::size_t split = 0; split <= message.size(); ++split) {
        CMd5 md5Pieces;
        CSha1 sha1Pieces;
        md5Pieces.Update(message.substr(0, split));
        md5Pieces.Update(message.substr(split));
        sha1Pieces.Update(message.substr(0, split));
        sha1Pieces.Update(message.substr(split));
        ASSERT_EQ(md5Pieces.Final(), md5) << "split " << split;
        ASSERT_EQ(sha1Pieces.Final(), sha1) << "split " << split;
    }
    CMd5 md5Bytes;
    CSha1 sha1Bytes;
    for (const char byte : message) {
        md5Bytes.Update(&byte, 1);
        sha1Bytes.Update(&byte, 1);
        md5Bytes.Update(nullptr, 0);
    }
    EXPECT_EQ(md5Bytes.Final(), md5);
    EXPECT_EQ(sha1Bytes.Final(), sha1);
    // Final starts the object over.
    md5Bytes.Update("abc");
    sha1Bytes.Update("abc");
    EXPECT_EQ(Lower(md5Bytes.Final()), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Lower(sha1Bytes.Final()), "a9993e364706816aba3e25717850c26c9cd0d89d");
}
