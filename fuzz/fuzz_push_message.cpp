// Push messages arrive as datagrams from anyone who can reach the push port: taking one apart must
// never crash or hang, and what comes out must hold what the handler relies on.

#include "FuzzCheck.h"
#include "service/PushMessage.h"
#include "utils/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 1039));
    const std::u16string text = Utf8ToUtf16(bytes);
    const std::optional<PushMessage> message = ParsePushMessage(text);
    if (!message)
        return 0;
    FUZZ_CHECK(message->command <= CIR_NONE);
    FUZZ_CHECK(text.starts_with(message->commandWord));
    FUZZ_CHECK(message->commandWord.find(u' ') == std::u16string::npos);
    FUZZ_CHECK(message->lastWord.find(u' ') == std::u16string::npos);
    FUZZ_CHECK(PushKinds(message->kindsWord) < 32);
    FUZZ_CHECK(PushSignature(message->commandWord, message->lastWord).size() == 24);
    if (message->identity) {
        FUZZ_CHECK(message->command == CIR_IDENTIFY_DEVICE);
        FUZZ_CHECK(!message->identity->userKey.empty() && !message->identity->deviceKey.empty());
        FUZZ_CHECK(message->identity->deviceKey.find(u';') == std::u16string::npos);
    }
    return 0;
}
