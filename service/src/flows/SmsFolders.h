#pragma once
// The handset's messages as the SMS flows and the wipe see them: only the top folders "inbox" and
// "Sent Items" of the SMS store (any letter case), in the store's table order.

#include "platform/MAPIMsgStore.h"
#include "service/SmsMessageList.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Reads the store in one snapshot while it lives (each read on its own when none can be opened).
class CReading {
public:
    explicit CReading(MAPIMsgStore* store);
    ~CReading();
    CReading(const CReading&) = delete;
    CReading& operator=(const CReading&) = delete;

private:
    MAPIMsgStore* m_store;
};

struct SyncedSmsFolder {
    std::unique_ptr<SmsFolder> folder;
    bool sent = false; // the sent-items folder; the inbox otherwise
};

// Empty without a store; nothing (logged) when the store cannot list its folders. A listed folder
// that cannot be opened is left out.
std::optional<std::vector<SyncedSmsFolder>> OpenSyncedSmsFolders(MAPIMsgStore* store);

// Adds a record for every message of those folders to `writer`: the number of records, or -1 (logged)
// when the store cannot be read. A message that cannot be opened (gone meanwhile) is left out.
std::int32_t WriteHandsetMessages(MAPIMsgStore* store, CSmsListWriter& writer);
