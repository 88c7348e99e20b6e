#pragma once
// The way into the PIM library: the one process-wide manager.

#include "pim/COutlookMgr.h"

class CAlmanacFactory {
public:
    // The handset needs its component runtime set up per thread; this system has none to set up.
    CAlmanacFactory() = default;
    ~CAlmanacFactory() = default;
    CAlmanacFactory(const CAlmanacFactory&) = default;
    CAlmanacFactory& operator=(const CAlmanacFactory&) = default;

    // The process-wide manager over the handset's store (pim.db in the device data folder), created on
    // the first call and kept until the library is unloaded. Never null; callers never delete it. When
    // the store cannot be opened, every operation that needs it returns an error.
    static COutlookMgr* GetOutlookManager();
    // Puts another manager in place of the store's own (tests drive the flows over a memory store);
    // nullptr puts the store's own back. The manager must outlive its installation. The service object
    // takes the manager when it is made, so install before InitService.
    static void InstallOutlookManager(COutlookMgr* manager);
};
