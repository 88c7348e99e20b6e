#include "utils/Sha1.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t RotateLeft(std::uint32_t value, int count)
{
    return (value << count) | (value >> (32 - count));
}

} // namespace

void CSha1::Reset()
{
    m_state = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
    m_length = 0;
    m_fill = 0;
}

void CSha1::Transform(const std::uint8_t* block)
{
    std::uint32_t schedule[80];
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t* p = block + 4 * i;
        schedule[i] = (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
                      std::uint32_t(p[3]);
    }
    for (int i = 16; i < 80; ++i)
        schedule[i] = RotateLeft(schedule[i - 3] ^ schedule[i - 8] ^ schedule[i - 14] ^ schedule[i - 16], 1);

    std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3], e = m_state[4];
    for (int i = 0; i < 80; ++i) {
        std::uint32_t mix;
        std::uint32_t constant;
        if (i < 20) {
            mix = (b & c) | (~b & d);
            constant = 0x5A827999u;
        } else if (i < 40) {
            mix = b ^ c ^ d;
            constant = 0x6ED9EBA1u;
        } else if (i < 60) {
            mix = (b & c) | (b & d) | (c & d);
            constant = 0x8F1BBCDCu;
        } else {
            mix = b ^ c ^ d;
            constant = 0xCA62C1D6u;
        }
        const std::uint32_t next = RotateLeft(a, 5) + mix + e + constant + schedule[i];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = next;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
    m_state[4] += e;
}

void CSha1::Update(const void* data, std::size_t size)
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

CSha1::Digest CSha1::Final()
{
    // Padding: 0x80, zeros up to 56 mod 64, then the bit length as a big-endian 64-bit number.
    const std::uint64_t bitLength = m_length * 8;
    static constexpr std::uint8_t kPadding[64] = {0x80};
    const std::size_t padLength = (m_fill < 56) ? 56 - m_fill : 120 - m_fill;
    Update(kPadding, padLength);
    std::uint8_t lengthBytes[8];
    for (int i = 0; i < 8; ++i)
        lengthBytes[i] = static_cast<std::uint8_t>(bitLength >> (56 - 8 * i));
    Update(lengthBytes, sizeof lengthBytes);

    Digest digest;
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 4; ++j)
            digest[4 * i + j] = static_cast<std::uint8_t>(m_state[i] >> (24 - 8 * j));
    }
    Reset();
    return digest;
}

std::array<std::uint8_t, 20> Sha1(std::string_view bytes)
{
    CSha1 sha1;
    sha1.Update(bytes);
    return sha1.Final();
}
