#include "protocol/DataHeaders.h"

#include "utils/Utf.h"

#include <algorithm>
#include <charconv>
#include <limits>

std::optional<std::int64_t> HeaderNumber(const ProtocolRequest& request, std::string_view name,
                                         std::int64_t max, std::string& refusal)
{
    const std::optional<std::string> value = request.Header(name);
    if (!value) {
        refusal = "the request has no " + std::string(name) + " header";
        return std::nullopt;
    }
    std::int64_t number = 0;
    const auto parsed = std::from_chars(value->data(), value->data() + value->size(), number);
    if (value->empty() || parsed.ec != std::errc() || parsed.ptr != value->data() + value->size() ||
        number < 0 || number > max) {
        refusal = std::string(name) + " \"" + value->substr(0, 32) + "\" is not a number from 0 to " +
                  std::to_string(max);
        return std::nullopt;
    }
    return number;
}

std::optional<std::string> HeaderText(const ProtocolRequest& request, std::string_view name,
                                      std::string& refusal)
{
    constexpr std::size_t kMaxTextBytes = 1024;
    const std::optional<std::string> value = request.Header(name);
    if (!value) {
        refusal = "the request has no " + std::string(name) + " header";
        return std::nullopt;
    }
    std::string text;
    for (std::size_t i = 0; i < value->size(); ++i) {
        if ((*value)[i] != '=') {
            text += (*value)[i];
            continue;
        }
        unsigned int byte = 0;
        const char* digits = value->data() + i + 1;
        const auto parsed =
            i + 2 < value->size() ? std::from_chars(digits, digits + 2, byte, 16) : std::from_chars_result{};
        if (i + 2 >= value->size() || parsed.ec != std::errc() || parsed.ptr != digits + 2) {
            refusal = std::string(name) + " \"" + value->substr(0, 64) + "\" is not quoted-printable";
            return std::nullopt;
        }
        text += static_cast<char>(byte);
        i += 2;
    }
    if (text.size() > kMaxTextBytes || !IsValidUtf8(text)) {
        refusal = std::string(name) + " is not UTF-8 text of at most 1024 bytes";
        return std::nullopt;
    }
    return text;
}

std::size_t MaxChunkBytes(const ProtocolRequest& request)
{
    std::string ignored;
    const std::optional<std::int64_t> asked =
        HeaderNumber(request, "QX-MaxChunkSize", std::numeric_limits<std::int64_t>::max(), ignored);
    if (!asked)
        return kDefaultChunkBytes;
    return std::clamp(static_cast<std::size_t>(*asked), kMinChunkBytes, kMaxChunkBytes);
}
