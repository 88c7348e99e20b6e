#pragma once
// MD5 (RFC 1321). The protocol signs negotiation answers and push commands with Base64 of MD5 over
// text and the device key; it is a message check here, not a security measure of our choosing.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Incremental MD5: feed any number of pieces, then take the digest. Not shared between threads.
class CMd5 {
public:
    using Digest = std::array<std::uint8_t, 16>;

    CMd5() { Reset(); }

    void Update(const void* data, std::size_t size);
    void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }

    // The digest of everything fed since construction or the previous Final; the object then starts
    // over, ready for a new message.
    Digest Final();

private:
    void Reset();
    void Transform(const std::uint8_t* block);

    std::array<std::uint32_t, 4> m_state{};
    std::array<std::uint8_t, 64> m_block{};
    std::uint64_t m_length = 0; // bytes fed so far
    std::size_t m_fill = 0;     // bytes waiting in m_block
};

// MD5 of a whole byte string.
std::array<std::uint8_t, 16> Md5(std::string_view bytes);
