#include "core/CTesselApp.h"

#include "core/AppUi.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/CLog_File.h"
#include "service/CReg_Api.h"
#include "service/TesselService.h"

bool CTesselApp::InitInstance(CAppUi& ui, CServiceCalls& calls, bool startedByPush)
{
    TesselService* service = TesselService::InitService();
    if (!service)
        return false;
    CReg_Api::GetInstanceReg();
    CLog_File::GetInstanceLog();
    if (!CBrandingGuide::GetInstanceBranding())
        return false;
    if (startedByPush)
        service->SetWaitCIR();
    m_ui = &ui;
    m_view = std::make_unique<CTesselView>(ui, calls);
    m_frame = std::make_unique<CMainFrame>(ui.Loop(), m_view->Handle());
    return true;
}

void CTesselApp::ShowMainWindow()
{
    m_ui->ShowMainWindow(BrandingText(kTextAppName));
    m_view->InitialUpdate();
}
