#pragma once
// The protocol's message check: Base64 (standard alphabet, "=" padding, 24 characters) of the MD5
// digest of some bytes. The client answers the server's challenge with it and hides dialog input
// behind it; the server signs its push messages with it.

#include "utils/Base64.h"
#include "utils/Md5.h"
#include "utils/Utf.h"

#include <string>
#include <string_view>

inline std::u16string Md5Base64(std::string_view bytes)
{
    const auto digest = Md5(bytes);
    return Utf8ToUtf16(
        Base64Encode(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size())));
}

// Typed text (a device key, a dialog input) goes into a digest as its UTF-8 form, up to its first zero
// character and cut to at most 259 bytes, as the handset's fixed buffer took it.
inline std::string DigestedText(std::u16string_view text)
{
    constexpr std::size_t kMaxDigestedBytes = 259;
    std::string bytes = UnicodeToUTF8(text);
    if (bytes.size() > kMaxDigestedBytes)
        bytes.resize(kMaxDigestedBytes);
    return bytes;
}
