// The server's answer to a checksum list names the items it wants uploaded: reading it must never
// crash or hang, and every luid it yields must be one the answer holds.

#include "FuzzCheck.h"
#include "service/PimDocuments.h"
#include "utils/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::u16string answer = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::vector<std::u16string> luids = ParseRequestedIds(answer, u"contact");
    CRequestedIds requested(luids);
    FUZZ_CHECK(requested.Remaining() <= luids.size());
    for (const std::u16string& luid : luids)
        requested.Take(luid);
    FUZZ_CHECK(requested.Empty());
    return 0;
}
