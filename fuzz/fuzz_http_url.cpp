// The server address comes from the "URL" setting, which the server itself may set: splitting it must
// never crash, and what it accepts must be an address the HTTP client can use as it is.

#include "FuzzCheck.h"
#include "platform/HttpClient.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    HttpUrl url;
    if (!SplitHttpUrl(bytes, url))
        return 0;
    FUZZ_CHECK(url.scheme == "http" || url.scheme == "https");
    FUZZ_CHECK(!url.host.empty() && url.port > 0 && url.port <= 65535);
    FUZZ_CHECK(url.path.starts_with("/"));
    for (const std::string* part : {&url.host, &url.path}) {
        for (const char c : *part)
            FUZZ_CHECK(static_cast<unsigned char>(c) > 0x20 && c != 0x7F && c != '#');
    }
    return 0;
}
