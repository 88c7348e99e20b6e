// The six PIM flows of the service object, and what the engine's backup and restore share: the
// stop flag, progress, the request head, loading the kind's items.

#include "PimFlow.h"

#include "ServiceLog.h"
#include "service/ServerTransport.h"
#include "service/TesselService.h"
#include "service/UI_Sync.h"

CPimFlow::CPimFlow(TesselService& service, ServerTransport& transport, COutlookMgr& manager,
                   CReg_Api& settings, UI_Sync& bridge, FlowState& state, const PimKind& kind, HWND window,
                   std::u16string_view mode)
    : m_service(service), m_transport(transport), m_manager(manager), m_settings(settings), m_bridge(bridge),
      m_state(state), m_kind(kind), m_window(window), m_mode(mode)
{}

bool CPimFlow::Stopped() const
{
    return m_bridge.IsStopped();
}

void CPimFlow::Progress(int text, std::int32_t percent)
{
    m_service.ReportProgress(m_window, text, percent);
}

void CPimFlow::PrepareRequest(std::u16string_view command)
{
    m_service.PrepareHTTPHeader(command);
    m_transport.AddHeader(u"QX-CommandType: ", m_kind.commandType);
}

RETURNED_RES CPimFlow::LoadItems()
{
    const HRESULT status = m_kind.calls.load(m_manager, m_settings.Get(&_SETTINGS_DEF::Calendar_Timeframe_Back),
                                             m_settings.Get(&_SETTINGS_DEF::Calendar_Timeframe_Fwd));
    if (Failed(status)) {
        // An unreadable store is no empty one: listing it empty would tell the server that every
        // item was deleted on the handset.
        LogLine(u"PIM store: the " + std::u16string(m_kind.listName) + u" items cannot be read");
        return RES_ERROR;
    }
    return RES_OK;
}

RETURNED_RES TesselService::ContactsBackupFlow(HWND window, std::u16string_view mode)
{
    return PimFlow(window, kContactsKind, mode).Backup();
}

RETURNED_RES TesselService::ContactsRestoreFlow(HWND window, std::u16string_view mode)
{
    return PimFlow(window, kContactsKind, mode).Restore();
}

RETURNED_RES TesselService::AppointmentBackupFlow(HWND window, std::u16string_view mode)
{
    return PimFlow(window, kAppointmentsKind, mode).Backup();
}

RETURNED_RES TesselService::AppointmentRestoreFlow(HWND window, std::u16string_view mode)
{
    return PimFlow(window, kAppointmentsKind, mode).Restore();
}

RETURNED_RES TesselService::TaskBackupFlow(HWND window, std::u16string_view mode)
{
    return PimFlow(window, kTasksKind, mode).Backup();
}

RETURNED_RES TesselService::TaskRestoreFlow(HWND window, std::u16string_view mode)
{
    return PimFlow(window, kTasksKind, mode).Restore();
}

CPimFlow TesselService::PimFlow(HWND window, const PimKind& kind, std::u16string_view mode)
{
    if (!m_transport)
        m_transport = std::make_unique<ServerTransport>();
    return CPimFlow(*this, *m_transport, *m_outlook, *m_settingsStore, *m_uiSync, m_flow, kind, window, mode);
}
