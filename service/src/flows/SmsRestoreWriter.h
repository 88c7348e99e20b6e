#pragma once
// Makes the handset's inbox and sent items agree with a message list from the server: a handset
// message that the list names (same delivery second, first recipient and sender; the text does not
// count) is kept, or deleted when the list marks it "deleted"; every other listed message is added
// to the folder it names. Each list entry stands for one handset message, so two equal handset
// messages need two equal entries. Applying the same list twice adds nothing the second time.

#include "platform/MAPIMsgStore.h"
#include "service/SmsMessageList.h"

#include <cstdint>
#include <vector>

struct SmsRestoreCounts {
    std::uint32_t added = 0;
    std::uint32_t deleted = 0;
    std::uint32_t failed = 0; // refused deletions and additions
};

// 0; -1 (logged) when the store cannot be read or a folder to add to cannot be opened, after which
// nothing more is changed. Entries whose folder is neither "inbox" nor "sent" (any case) are skipped
// uncounted.
int ApplySmsList(MAPIMsgStore* store, const std::vector<SmsRecord>& records, SmsRestoreCounts& counts);
