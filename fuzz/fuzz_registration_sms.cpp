// Registration messages arrive through the SMS gateway from anyone: taking one apart must never crash,
// and what comes out must be pieces of the message with a device id the protocol allows.

#include "FuzzCheck.h"
#include "protocol/Credentials.h"
#include "protocol/SmsGateway.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<RegistrationSms> sms = ParseRegistrationSms(bytes, error);
    if (!sms) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(bytes.size() <= 1024 && bytes.starts_with("IdentifyDevice "));
    FUZZ_CHECK(IsProtocolToken(sms->deviceId));
    FUZZ_CHECK(bytes.find(sms->userAgent) != std::string_view::npos);
    FUZZ_CHECK(bytes.ends_with(sms->agent));
    return 0;
}
