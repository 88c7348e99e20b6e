// lumeno-sms's archive reading on any bytes: an archive read is written again as the tool exports it,
// and what is written reads back as the same messages.
#include "FuzzCheck.h"
#include "SmsArchive.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SmsArchive archive;
    std::string error;
    if (!ReadSmsArchive(std::string_view(reinterpret_cast<const char*>(data), size), archive, error)) {
        FUZZ_CHECK(!error.empty() && archive.messages.empty());
        return 0;
    }
    SmsArchive again;
    FUZZ_CHECK(ReadSmsArchive(WriteSmsArchive(archive.messages), again, error));
    FUZZ_CHECK(again.messages.size() == archive.messages.size() && again.skipped == 0);
    for (std::size_t i = 0; i < again.messages.size(); ++i) {
        const ArchivedSms& first = archive.messages[i];
        const ArchivedSms& second = again.messages[i];
        FUZZ_CHECK(first.address == second.address && first.dateMs == second.dateMs && first.type == second.type &&
                   first.body == second.body && first.read == second.read && first.contactName == second.contactName);
    }
    return 0;
}
