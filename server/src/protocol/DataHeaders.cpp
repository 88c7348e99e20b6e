#include "protocol/DataHeaders.h"

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

std::size_t MaxChunkBytes(const ProtocolRequest& request)
{
    std::string ignored;
    const std::optional<std::int64_t> asked =
        HeaderNumber(request, "QX-MaxChunkSize", std::numeric_limits<std::int64_t>::max(), ignored);
    if (!asked)
        return kDefaultChunkBytes;
    return std::clamp(static_cast<std::size_t>(*asked), kMinChunkBytes, kMaxChunkBytes);
}
