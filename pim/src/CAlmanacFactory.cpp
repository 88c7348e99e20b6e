#include "pim/CAlmanacFactory.h"

#include "pim/OutlookManager.h"
#include "platform/PimStore.h"

COutlookMgr* CAlmanacFactory::GetOutlookManager()
{
    // Created on first use rather than at load time, so that loading the library opens no file.
    static OutlookManager s_manager(CreateSqlitePimStore(DefaultPimStorePath()));
    return &s_manager;
}
