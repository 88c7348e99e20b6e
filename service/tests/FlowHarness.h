#pragma once
// Drives a flow of the service object against a scripted server: each request the flow sends is
// recorded and answered with the next answer the test queued (m_server.Answer), or by its responder;
// no network, no waiting. The service's PIM manager works on a memory store the test fills
// (m_manager), and the scripted application window takes the progress reports and answers server
// dialogs. A test queues the answers, runs the flow, and compares what was sent
// (m_server.Requests(), m_server.Commands()) and what changed (settings, summary, the store).

#include "TransportFixture.h"
#include "pim/CAlmanacFactory.h"
#include "pim/OutlookManager.h"
#include "platform/PimStore.h"
#include "testing/ScriptedHttp.h"

class FlowHarness : public ConnectedServiceTest {
protected:
    void SetUp() override
    {
        CAlmanacFactory::InstallOutlookManager(&m_manager);
        ConnectedServiceTest::SetUp();
    }

    void TearDown() override
    {
        ConnectedServiceTest::TearDown();
        CAlmanacFactory::InstallOutlookManager(nullptr);
    }

    std::string ServerUrl() const override { return "http://server.test/sync/serv"; }

    CScriptedHttp m_server;
    OutlookManager m_manager{CreateMemoryPimStore()};
};
