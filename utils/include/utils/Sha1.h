#pragma once
// SHA-1 (FIPS 180-4). Used where the system needs a stable identifier derived from fixed inputs (the
// fallback device id), not for security.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Incremental SHA-1: feed any number of pieces, then take the digest. Not shared between threads.
class CSha1 {
public:
    using Digest = std::array<std::uint8_t, 20>;

    CSha1() { Reset(); }

    void Update(const void* data, std::size_t size);
    void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }

    // The digest of everything fed since construction or the previous Final; the object then starts
    // over, ready for a new message.
    Digest Final();

private:
    void Reset();
    void Transform(const std::uint8_t* block);

    std::array<std::uint32_t, 5> m_state{};
    std::array<std::uint8_t, 64> m_block{};
    std::uint64_t m_length = 0; // bytes fed so far
    std::size_t m_fill = 0;     // bytes waiting in m_block
};

// SHA-1 of a whole byte string.
std::array<std::uint8_t, 20> Sha1(std::string_view bytes);
