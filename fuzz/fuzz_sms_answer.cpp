// The message list a restore applies comes from the server: reading it must never crash or hang,
// every message read must have a time, and writing the messages read as a list and reading that again
// must give the same messages.

#include "FuzzCheck.h"
#include "service/SmsMessageList.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    SmsListAnswer answer;
    std::string error;
    if (!ParseSmsList(bytes, answer, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    std::string written;
    CSmsListWriter writer(written);
    for (const SmsRecord& record : answer.records) {
        FUZZ_CHECK(ParseSmsTimestamp(FormatSmsTimestamp(record.time)) == record.time);
        writer.Add(record);
    }
    writer.Finish();

    SmsListAnswer again;
    FUZZ_CHECK(ParseSmsList(written, again, error));
    FUZZ_CHECK(again.unreadable == 0);
    FUZZ_CHECK(again.records.size() == answer.records.size());
    for (std::size_t i = 0; i < again.records.size(); ++i) {
        const SmsRecord& first = answer.records[i];
        const SmsRecord& second = again.records[i];
        FUZZ_CHECK(first.folder == second.folder && first.from == second.from && first.to == second.to &&
                   first.text == second.text && first.time == second.time);
    }
    return 0;
}
