// Answer heads come from the server, or from whoever stands between: reading one line by line must
// never crash, and what it keeps must be fields as HTTP reads them.

#include "FuzzCheck.h"
#include "platform/HttpResponseHead.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CHttpResponseHead head;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view line = bytes.substr(0, end == std::string_view::npos ? end : end + 1);
        bytes.remove_prefix(line.size());
        const bool blank = head.Take(line);
        FUZZ_CHECK(!blank || TrimHttpBlanks(line).empty());
    }
    FUZZ_CHECK(head.Status() >= 0 && head.Status() <= 999);
    FUZZ_CHECK(!head.Ended() || head.Status() >= 200);
    for (const auto& [name, value] : head.Fields()) {
        FUZZ_CHECK(name.find(':') == std::string::npos && name.find('\n') == std::string::npos);
        FUZZ_CHECK(value.find('\n') == std::string::npos);
        FUZZ_CHECK(TrimHttpBlanks(name) == name && TrimHttpBlanks(value) == value);
    }
    return 0;
}
