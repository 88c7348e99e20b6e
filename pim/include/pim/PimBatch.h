#pragma once
// Groups the adds, updates and deletes made through the PIM manager into store transactions, so that
// restoring or importing thousands of items writes the storage once per batch instead of once per
// item. Each item is still saved whole or not at all.
//
//   CPimBatch batch(*manager);
//   for (ItemInfo& info : chunk)
//       manager->UpdateContact(info);
//   if (Failed(batch.Commit()))
//       ...; // none of the chunk's changes was kept: report its items as failed
//
// Until Commit (or the end of the scope, which commits) the changes are not durable: a crash loses the
// open batch, never half an item. While a batch is open other programs wait to write the store, so a
// batch holds a chunk of local work (a few hundred items), never a wait for the network. One thread;
// batches do not nest. A manager other than the library's own (a test double) runs unbatched.

#include "pim/COutlookMgr.h"

class OutlookManager;

class CPimBatch {
public:
    explicit CPimBatch(COutlookMgr& manager);
    // Commits what is pending; a failure is logged.
    ~CPimBatch();
    CPimBatch(const CPimBatch&) = delete;
    CPimBatch& operator=(const CPimBatch&) = delete;

    // Makes the changes since the batch began (or since the last Commit) durable and goes on with a new
    // batch. On failure none of those changes is kept, and the ids the records got name no item.
    HRESULT Commit();

private:
    OutlookManager* m_manager; // null when the changes run unbatched
};
