#pragma once
// SMS archives in and out of the messaging store: received messages go to the inbox, sent ones to
// Sent Items, drafts to Drafts, and messages not yet sent (outbox, failed, queued) to the Outbox.

#include "SmsArchive.h"
#include "platform/MAPIMsgStore.h"

#include <cstddef>
#include <string>
#include <vector>

struct SmsImportCounts {
    std::size_t added = 0;
    std::size_t present = 0; // already in the store: same folder, time, address and text
};

// Adds the archive's messages the store does not hold yet, all in one batch: on failure (false,
// `error` says why) the store is as it was. Importing an archive twice adds nothing the second time.
bool ImportSmsArchive(MAPIMsgStore& store, const SmsArchive& archive, SmsImportCounts& counts,
                      std::string& error);

// The messages of the inbox, Sent Items, Drafts and Outbox, in that order; false when the store cannot
// be read.
bool ExportSmsArchive(MAPIMsgStore& store, std::vector<ArchivedSms>& messages, std::string& error);
