// Dialog answers are posted by handsets: reading one must never crash or hang, and its input must be
// compared the same way whatever the field type says.

#include "FuzzCheck.h"
#include "protocol/ServerDialog.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<DialogAnswer> answer = ReadDialogAnswer(bytes, error);
    FUZZ_CHECK(answer.has_value() == error.empty());
    if (!answer)
        return 0;
    FUZZ_CHECK(answer->hasInput || answer->inputDigest.empty());
    // An answer without input matches only an empty expectation, whatever the field.
    if (!answer->hasInput)
        FUZZ_CHECK(!InputMatches(*answer, "1234", "text") && InputMatches(*answer, "", "password"));
    InputMatches(*answer, answer->inputName, "text");
    InputMatches(*answer, answer->opcode, "password");
    return 0;
}
