#include "utils/Base64.h"

#include <array>
#include <cstdint>
#include <utility>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kNotInAlphabet = 0xFF;
constexpr std::size_t kLineLength = 76;

constexpr std::array<std::uint8_t, 256> MakeDecodeTable()
{
    std::array<std::uint8_t, 256> table{};
    for (auto& value : table)
        value = kNotInAlphabet;
    for (std::uint8_t i = 0; i < 64; ++i)
        table[static_cast<std::uint8_t>(kAlphabet[i])] = i;
    return table;
}

constexpr std::array<std::uint8_t, 256> kDecodeTable = MakeDecodeTable();

// Collects 6-bit values and emits whole bytes; a final partial group yields what its bits complete.
class CSextetSink {
public:
    explicit CSextetSink(std::size_t expectedChars) { m_bytes.reserve(expectedChars / 4 * 3 + 2); }

    void Add(std::uint8_t sextet)
    {
        m_group = (m_group << 6) | sextet;
        if (++m_count == 4) {
            m_bytes.push_back(static_cast<char>(m_group >> 16));
            m_bytes.push_back(static_cast<char>(m_group >> 8));
            m_bytes.push_back(static_cast<char>(m_group));
            m_group = 0;
            m_count = 0;
        }
    }

    std::string Finish()
    {
        // 2 characters carry 12 bits (one byte), 3 carry 18 bits (two bytes), 1 carries no whole byte.
        if (m_count == 2) {
            m_bytes.push_back(static_cast<char>(m_group >> 4));
        } else if (m_count == 3) {
            m_bytes.push_back(static_cast<char>(m_group >> 10));
            m_bytes.push_back(static_cast<char>(m_group >> 2));
        }
        return std::move(m_bytes);
    }

private:
    std::string m_bytes;
    std::uint32_t m_group = 0;
    int m_count = 0;
};

} // namespace

std::string Base64Decode(std::u16string_view text)
{
    CSextetSink sink(text.size());
    for (const char16_t character : text) {
        const auto lowByte = static_cast<std::uint8_t>(character & 0xFFu);
        const std::uint8_t sextet = kDecodeTable[lowByte];
        if (sextet == kNotInAlphabet) // also covers "="
            break;
        sink.Add(sextet);
    }
    return sink.Finish();
}

std::string Base64DecodeLenient(std::string_view text)
{
    CSextetSink sink(text.size());
    for (const char character : text) {
        const std::uint8_t sextet = kDecodeTable[static_cast<std::uint8_t>(character)];
        if (sextet != kNotInAlphabet)
            sink.Add(sextet);
    }
    return sink.Finish();
}

std::string Base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    auto byteAt = [&](std::size_t index) { return std::uint32_t(std::uint8_t(bytes[index])); };
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = (byteAt(i) << 16) | (byteAt(i + 1) << 8) | byteAt(i + 2);
        out.push_back(kAlphabet[group >> 18]);
        out.push_back(kAlphabet[(group >> 12) & 0x3Fu]);
        out.push_back(kAlphabet[(group >> 6) & 0x3Fu]);
        out.push_back(kAlphabet[group & 0x3Fu]);
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        const std::uint32_t group = (byteAt(i) << 16) | (rest == 2 ? byteAt(i + 1) << 8 : 0);
        out.push_back(kAlphabet[group >> 18]);
        out.push_back(kAlphabet[(group >> 12) & 0x3Fu]);
        out.push_back(rest == 2 ? kAlphabet[(group >> 6) & 0x3Fu] : '=');
        out.push_back('=');
    }
    return out;
}

std::string Base64EncodeLines(std::string_view bytes)
{
    const std::string plain = Base64Encode(bytes);
    std::string out;
    out.reserve(plain.size() + plain.size() / kLineLength * 2);
    for (std::size_t start = 0; start < plain.size(); start += kLineLength) {
        if (start > 0)
            out += "\r\n";
        out.append(plain, start, kLineLength);
    }
    return out;
}
