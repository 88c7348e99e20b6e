#include "protocol/Credentials.h"

#include "utils/Base64.h"
#include "utils/Hex.h"
#include "utils/Md5.h"

#include <random>

namespace {

constexpr std::size_t kMaxTokenLength = 64;

std::string DigestText(const CMd5::Digest& digest)
{
    return Base64Encode(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

} // namespace

std::string RandomHex(std::size_t bytes)
{
    std::random_device source;
    std::string raw;
    raw.reserve(bytes);
    while (raw.size() < bytes) {
        const unsigned int word = source();
        for (int shift = 0; shift < 32 && raw.size() < bytes; shift += 8)
            raw += static_cast<char>((word >> shift) & 0xFF);
    }
    return HexUpper(raw);
}

std::string KeyedDigest(std::string_view text, std::string_view key)
{
    CMd5 md5;
    md5.Update(text);
    md5.Update(key);
    return DigestText(md5.Final());
}

std::string InputDigest(std::string_view value)
{
    return DigestText(Md5(value));
}

bool IsProtocolToken(std::string_view text)
{
    if (text.empty() || text.size() > kMaxTokenLength)
        return false;
    for (const char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!plain && c != '.' && c != '_' && c != '@' && c != '+' && c != '-' && c != '=' && c != '/')
            return false;
    }
    return true;
}
