#include "utils/Base64.h"

#include <gtest/gtest.h>

#include <random>

using namespace std::string_literals;

TEST(Base64, Rfc4648Vectors)
{
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [bytes, text] : vectors) {
        EXPECT_EQ(Base64Encode(bytes), text);
        EXPECT_EQ(Base64EncodeLines(bytes), text);
        EXPECT_EQ(Base64Decode(std::u16string(text.begin(), text.end())), bytes) << text;
        EXPECT_EQ(Base64DecodeLenient(text), bytes) << text;
    }
}

TEST(Base64, DecodeStopsAtFirstCharacterOutsideTheAlphabet)
{
    const std::pair<std::u16string, std::string> cases[] = {
        {u"QUJD", "ABC"},
        {u"QUI=", "AB"},
        {u"QU", "A"},
        {u"QU JD", "A"}, // the blank stops decoding
        {u"Q", ""},      // a single leftover character gives nothing
        {u"QUJDQQ", "ABCA"},
        {u"QUJD=QUJD", "ABC"},    // valid characters after "=" are ignored
        {u"QUJD\r\nQUJD", "ABC"}, // so is a second line
        {u"AAAA", "\0\0\0"s},     // zero bytes are kept
        {u"\u0151UJD", "ABC"},    // only the low byte counts: 0x51 is "Q"
        {u"QU\u4E00JD", "A"},     // low byte 0x00 is not in the alphabet
        {u"-_", ""},              // the URL-safe alphabet is not this one
    };
    for (const auto& [text, bytes] : cases)
        EXPECT_EQ(Base64Decode(text), bytes) << std::string(text.begin(), text.end());
}

TEST(Base64, LenientDecodeSkipsEverythingOutsideTheAlphabet)
{
    const std::pair<std::string, std::string> cases[] = {
        {"QU\r\nJD", "ABC"},
        {"Q U J D", "ABC"},
        {"QUI=", "AB"},
        {"QQ==QQ==", "A\x04\x10"}, // padding in the middle is skipped, the characters are regrouped
        {"=\r\n", ""},
        {"Q", ""},
    };
    for (const auto& [text, bytes] : cases)
        EXPECT_EQ(Base64DecodeLenient(text), bytes) << text;
}

// Lines are separated by CR LF; a value that fills its last line exactly gets no trailing break.
TEST(Base64, LineBreaksGoBetweenLinesOf76Characters)
{
    const std::string line(76, 'A');
    const std::pair<std::size_t, std::string> cases[] = {
        {56, std::string(72, 'A') + "AAA="},
        {57, line},
        {58, line + "\r\nAA=="},
        {114, line + "\r\n" + line},
        {115, line + "\r\n" + line + "\r\nAA=="},
    };
    for (const auto& [size, text] : cases)
        EXPECT_EQ(Base64EncodeLines(std::string(size, '\0')), text) << size << " bytes";
}

TEST(Base64, RoundTripsEveryLength)
{
    std::mt19937 generator(9);
    for (std::size_t size = 0; size < 1100; ++size) {
        std::string bytes(size, '\0');
        for (auto& byte : bytes)
            byte = static_cast<char>(generator());
        const std::string plain = Base64Encode(bytes);
        ASSERT_EQ(Base64Decode(std::u16string(plain.begin(), plain.end())), bytes) << size;
        ASSERT_EQ(Base64DecodeLenient(Base64EncodeLines(bytes)), bytes) << size;
    }
}
