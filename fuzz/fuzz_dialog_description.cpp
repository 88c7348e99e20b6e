// Server dialog descriptions arrive from the network: parsing one, and answering it, must never crash
// or hang whatever the bytes are.

#include "service/ServerDialog.h"
#include "utils/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ServerDialogRecord record;
    record.Reset();
    if (ParseDialogDescription(record, Utf8ToUtf16(bytes)) == DialogParse::Parsed) {
        record.chosenButton = kButtonYes;
        BuildDialogAnswer(record);
    }
    return 0;
}
