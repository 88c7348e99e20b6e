// A restore chunk comes from the server and goes into the handset's PIM store: reading it must never
// crash or hang, and every item it yields must carry the guid and status the map needs.

#include "FuzzCheck.h"
#include "service/PimDocuments.h"
#include "utils/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::u16string answer = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const std::u16string_view element : {u"contact", u"event", u"todo"}) {
        const RestoreChunk chunk = ParseRestoreChunk(answer, element);
        FUZZ_CHECK(chunk.loaded || (chunk.items.empty() && !chunk.cut));
        FUZZ_CHECK(chunk.items.size() <= answer.size());
    }
    return 0;
}
