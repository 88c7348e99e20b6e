// Admin records and forms are read from the network by the operator's client and the admin API:
// decoding must never crash, and a record decoded and encoded again must read back the same.

#include "FuzzCheck.h"
#include "refserver/AdminRecord.h"
#include "utils/FormEncoding.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(FormDecode(FormEncode(bytes)) == bytes);
    FUZZ_CHECK(FormDecode(bytes).size() <= bytes.size());

    const std::vector<AdminRecord> records = DecodeRecords(bytes);
    const std::vector<AdminRecord> again = DecodeRecords(EncodeRecords(records));
    FUZZ_CHECK(again.size() <= records.size());
    for (std::size_t i = 0, j = 0; i < records.size(); ++i) {
        // A record without fields encodes as an empty line, which reads back as no record.
        if (records[i].fields.empty())
            continue;
        FUZZ_CHECK(j < again.size() && again[j].fields == records[i].fields);
        ++j;
    }
    return 0;
}
