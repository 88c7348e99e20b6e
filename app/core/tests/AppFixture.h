#pragma once
// A test of the application logic: a private device (registry, folders), the virtual clock, message
// boxes answered from a script, the scripted front end and the scripted service calls; and helpers
// to give the handset keys and to build the view.

#include "FakeServiceCalls.h"
#include "ScriptedAppUi.h"
#include "ServiceFixture.h"
#include "core/CTesselView.h"
#include "testing/ScriptedUiPort.h"
#include "testing/VirtualClock.h"

#include <memory>

class AppFixture : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        m_clock = std::make_unique<CVirtualClock>();
        m_boxes = std::make_unique<CScriptedUiPort>();
        m_ui = std::make_unique<CScriptedAppUi>();
        m_calls = std::make_unique<CFakeServiceCalls>();
        CClock::Install(m_clock.get());
        CUiPort::Install(m_boxes.get());
    }

    void TearDown() override
    {
        m_view.reset();
        m_ui.reset();
        m_calls.reset();
        CUiPort::Install(nullptr);
        m_boxes.reset();
        CClock::Install(nullptr);
        m_clock.reset();
        ServiceFixture::TearDown();
    }

    static CReg_Api::LockedSettings Settings() { return CReg_Api::GetInstanceReg()->GetSettingsInstance(); }

    // The keys of a registered handset, with its settings retrieved.
    static void GiveKeys(bool settingsRetrieved = true)
    {
        Settings()->Ukey = u"user-key";
        Settings()->QX_key = u"device-key";
        Settings()->SettingsRettrived = settingsRetrieved ? 1 : 0;
        CReg_Api::GetInstanceReg()->SaveSettings();
    }

    CTesselView& View()
    {
        if (!m_view)
            m_view = std::make_unique<CTesselView>(*m_ui, *m_calls);
        return *m_view;
    }

    // A push with this command reaches the view (`result` as ProcessMessageCIR gives it).
    void PushArrives(std::uint32_t command, int result = 1)
    {
        CIR_INFO info;
        info.command = command;
        m_calls->ScriptPush(result, info);
        View().OnPush();
        m_ui->RunPending();
    }

    // Texts of the message boxes shown so far.
    std::vector<std::u16string> BoxTexts() const
    {
        std::vector<std::u16string> texts;
        for (const CScriptedUiPort::Shown& box : m_boxes->ShownBoxes())
            texts.push_back(box.text);
        return texts;
    }

    // Made afresh for each case, so that a table of cases can start each one over with
    // TearDown() and SetUp().
    std::unique_ptr<CVirtualClock> m_clock;
    std::unique_ptr<CScriptedUiPort> m_boxes;
    std::unique_ptr<CScriptedAppUi> m_ui;
    std::unique_ptr<CFakeServiceCalls> m_calls;
    std::unique_ptr<CTesselView> m_view;
};
