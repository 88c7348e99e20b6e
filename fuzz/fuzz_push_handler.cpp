// Push datagrams come from anyone who can reach the push port: acting on one must never crash, a
// handset with keys must never let a message change them, a command for the application must be signed
// with the device key, and without keys a wipe-out is never taken.

#include "FuzzCheck.h"
#include "FuzzDevice.h"
#include "service/CReg_Api.h"
#include "service/PushMessage.h"
#include "service/TesselService.h"
#include "utils/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzDeviceRoot();
    static TesselService* const service = TesselService::InitService();
    FUZZ_CHECK(service);
    if (size == 0)
        return 0;
    CReg_Api& settings = *CReg_Api::GetInstanceReg();
    const bool keys = data[0] % 2 == 0;
    settings.Set(&_SETTINGS_DEF::Ukey, keys ? u"u1" : u"");
    settings.Set(&_SETTINGS_DEF::QX_key, keys ? u"k3y" : u"");
    settings.Set(&_SETTINGS_DEF::UserId, u"7");

    const std::u16string text = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    CIR_INFO info;
    const int result = service->ProcessPushText(text, info);
    FUZZ_CHECK(result == 0 || result == 1);
    const std::optional<PushMessage> message = ParsePushMessage(text);
    if (keys) {
        FUZZ_CHECK(settings.Get(&_SETTINGS_DEF::Ukey) == u"u1" && settings.Get(&_SETTINGS_DEF::QX_key) == u"k3y");
        if (result == 1)
            FUZZ_CHECK(message && message->lastWord == PushSignature(message->commandWord, u"k3y"));
    } else if (result == 1) {
        FUZZ_CHECK(message && message->command != CIR_WIPEOUT);
    }
    return 0;
}
