#include "pim/PimBatch.h"

#include "pim/AlmanacLog.h"
#include "pim/OutlookManager.h"
#include "platform/PimStore.h"

CPimBatch::CPimBatch(COutlookMgr& manager) : m_manager(dynamic_cast<OutlookManager*>(&manager))
{
    if (m_manager && Failed(m_manager->BeginBatch()))
        m_manager = nullptr;
}

CPimBatch::~CPimBatch()
{
    if (m_manager && Failed(m_manager->EndBatch(BatchEnd::Commit)))
        AlmanacLog("the last batch of PIM changes could not be kept");
}

HRESULT CPimBatch::Commit()
{
    if (!m_manager)
        return S_OK;
    const HRESULT status = m_manager->EndBatch(BatchEnd::Commit);
    if (Failed(m_manager->BeginBatch()))
        m_manager = nullptr;
    return status;
}
