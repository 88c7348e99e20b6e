#include "utils/Md5.h"

#include <algorithm>
#include <cstring>

namespace {

// K[i] = floor(2^32 * |sin(i + 1)|) (RFC 1321, section 3.4).
constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Rotation amounts per round, four per round repeated.
constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

constexpr std::uint32_t RotateLeft(std::uint32_t value, int count)
{
    return (value << count) | (value >> (32 - count));
}

} // namespace

void CMd5::Reset()
{
    m_state = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    m_length = 0;
    m_fill = 0;
}

void CMd5::Transform(const std::uint8_t* block)
{
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t* p = block + 4 * i;
        words[i] = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                   (std::uint32_t(p[3]) << 24);
    }
    std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        std::uint32_t mix;
        int index;
        switch (round) {
        case 0:
            mix = (b & c) | (~b & d);
            index = i;
            break;
        case 1:
            mix = (d & b) | (~d & c);
            index = (5 * i + 1) % 16;
            break;
        case 2:
            mix = b ^ c ^ d;
            index = (3 * i + 5) % 16;
            break;
        default:
            mix = c ^ (b | ~d);
            index = (7 * i) % 16;
            break;
        }
        const std::uint32_t next = b + RotateLeft(a + mix + kSine[i] + words[index], kShift[round][i % 4]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
}

void CMd5::Update(const void* data, std::size_t size)
{
    if (size == 0) // an empty piece may come with a null pointer, which memcpy must not see
        return;
    auto bytes = static_cast<const std::uint8_t*>(data);
    m_length += size;
    if (m_fill > 0) {
        const std::size_t take = std::min(size, m_block.size() - m_fill);
        std::memcpy(m_block.data() + m_fill, bytes, take);
        m_fill += take;
        bytes += take;
        size -= take;
        if (m_fill < m_block.size())
            return;
        Transform(m_block.data());
        m_fill = 0;
    }
    for (; size >= m_block.size(); bytes += m_block.size(), size -= m_block.size())
        Transform(bytes);
    if (size > 0) {
        std::memcpy(m_block.data(), bytes, size);
        m_fill = size;
    }
}

CMd5::Digest CMd5::Final()
{
    // Padding: 0x80, zeros up to 56 mod 64, then the bit length as a little-endian 64-bit number.
    const std::uint64_t bitLength = m_length * 8;
    static constexpr std::uint8_t kPadding[64] = {0x80};
    const std::size_t padLength = (m_fill < 56) ? 56 - m_fill : 120 - m_fill;
    Update(kPadding, padLength);
    std::uint8_t lengthBytes[8];
    for (int i = 0; i < 8; ++i)
        lengthBytes[i] = static_cast<std::uint8_t>(bitLength >> (8 * i));
    Update(lengthBytes, sizeof lengthBytes);

    Digest digest;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            digest[4 * i + j] = static_cast<std::uint8_t>(m_state[i] >> (8 * j));
    }
    Reset();
    return digest;
}

std::array<std::uint8_t, 16> Md5(std::string_view bytes)
{
    CMd5 md5;
    md5.Update(bytes);
    return md5.Final();
}
