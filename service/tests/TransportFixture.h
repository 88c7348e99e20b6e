#pragma once
// A fresh service object connected to a server, with a handset identity fixed through the device
// configuration's environment overrides and a scripted application window that answers server
// dialogs and takes the progress reports. TransportTest puts a scripted local HTTP server behind it
// (raw requests on a real socket); FlowHarness (FlowHarness.h) a scripted client without a network.

#include "ScriptedDialogWindow.h"
#include "ServiceFixture.h"
#include "service/ServerTransport.h"
#include "testing/TestHttpServer.h"

class ConnectedServiceTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        m_service = TesselService::InitService();
        ASSERT_NE(m_service, nullptr);
        Settings()->URL = Utf8ToUtf16(ServerUrl());
        m_window = std::make_unique<CScriptedDialogWindow>(*m_service);
        m_service->m_appWindow = m_window->Handle();
        ASSERT_EQ(m_service->ConnectServer(), 1);
    }

    void TearDown() override
    {
        m_service->DisconnectServer();
        m_service->m_appWindow = 0;
        m_window.reset();
        ServiceFixture::TearDown();
    }

    // The address the service is connected to.
    virtual std::string ServerUrl() const = 0;

    static CReg_Api::LockedSettings Settings() { return CReg_Api::GetInstanceReg()->GetSettingsInstance(); }

    // The values of the progress reports the window got with that text, in order.
    std::vector<std::int32_t> ProgressValues(int brandingText) const
    {
        std::vector<std::int32_t> values;
        for (const ProgressReport& report : m_window->Progress()) {
            if (report.text == BrandingText(brandingText))
                values.push_back(report.value);
        }
        return values;
    }

    // A flow's request: the standard block for `command`, then the executor.
    RETURNED_RES Request(std::u16string_view command, std::u16string_view verb = u"GET")
    {
        m_service->PrepareHTTPHeader(command);
        return m_service->ExecuteRequest(verb);
    }

    ScopedEnv m_manufacturer{"LUMENO_MANUFACTURER", "Maker"};
    ScopedEnv m_oem{"LUMENO_OEM_INFO", "Maker Phone"};
    ScopedEnv m_platformType{"LUMENO_PLATFORM_TYPE", "PocketPC"};
    ScopedEnv m_osVersion{"LUMENO_OS_VERSION", "5.1.1700"};
    ScopedEnv m_imei{"LUMENO_IMEI", "356938035643809123"};
    ScopedEnv m_subscriber{"LUMENO_SUBSCRIBER", "262011234567890"};
    ScopedEnv m_smsc{"LUMENO_SMSC", "+491710760000"};
    ScopedEnv m_machineId{"LUMENO_MACHINE_ID", "0123456789abcdef0123456789abcdef"};
    ScopedEnv m_caFile{"LUMENO_CA_FILE", std::nullopt};
    TesselService* m_service = nullptr;
    std::unique_ptr<CScriptedDialogWindow> m_window;
};

class TransportTest : public ConnectedServiceTest {
protected:
    std::string ServerUrl() const override { return m_server.Url("/sync/serv"); }

    RecordedRequest LastRequest() const
    {
        const auto requests = m_server.Requests();
        return requests.empty() ? RecordedRequest{} : requests.back();
    }

    CTestHttpServer m_server;
};
