#include "pim/CAlmanacFactory.h"

#include "pim/OutlookManager.h"
#include "platform/PimStore.h"

#include <atomic>

namespace {

std::atomic<COutlookMgr*> s_installed{nullptr};

} // namespace

COutlookMgr* CAlmanacFactory::GetOutlookManager()
{
    if (COutlookMgr* installed = s_installed.load())
        return installed;
    // Created on first use rather than at load time, so that loading the library opens no file.
    static OutlookManager s_manager(CreateSqlitePimStore(DefaultPimStorePath()));
    return &s_manager;
}

void CAlmanacFactory::InstallOutlookManager(COutlookMgr* manager)
{
    s_installed.store(manager);
}
