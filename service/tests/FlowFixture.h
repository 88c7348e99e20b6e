#pragma once
// Flows that wait and ask: a virtual clock (no test really waits), a scripted user for message boxes,
// the push port on a free local port with a sender standing in for the server, and the application
// window (which also takes the progress reports).

#include "testing/Eventually.h"
#include "TransportFixture.h"
#include "platform/PushPort.h"
#include "testing/ScriptedUiPort.h"
#include "platform/UdpSocket.h"
#include "testing/VirtualClock.h"
#include "service/PushMessage.h"

#include <future>

// The device key the flow tests register with, and the server's signatures with it (Base64 of MD5
// over the command word and the key, computed apart from the code under test).
inline constexpr char16_t kDeviceKey[] = u"k3y";
inline constexpr char kSyncSignature[] = "wpE39nPK5O5mfUHVkDiRbw==";
inline constexpr char kChangeMsisdnSignature[] = "h1n4iY788kY880o+HrQrqg==";
inline constexpr char kWipeoutSignature[] = "EUslBwupjrbwm9ZLmnAkug==";

class FlowTest : public TransportTest {
protected:
    void SetUp() override
    {
        CClock::Install(&m_clock);
        CUiPort::Install(&m_user);
        TransportTest::SetUp();
        std::string error;
        m_push = CPushPort::Open(&error);
        ASSERT_TRUE(m_push) << error;
    }

    void TearDown() override
    {
        m_push.reset();
        TransportTest::TearDown();
        CUiPort::Install(nullptr);
        CClock::Install(nullptr);
    }

    HWND Window() const { return m_window->Handle(); }

    static void GiveKeys()
    {
        Settings()->Ukey = u"u1";
        Settings()->QX_key = kDeviceKey;
    }

    // The server's push: `text` as one datagram to the handset's push port.
    void Push(std::string_view text)
    {
        std::string error;
        ASSERT_TRUE(CUdpSocket().SendTo("127.0.0.1", m_push->LocalPort(), text, &error)) << error;
        ASSERT_TRUE(Eventually([&] { return m_push->NextMessageSize() > 0; }));
    }

    // Runs the push handler on a thread of its own, as the user-interface thread does while a flow
    // waits on the worker thread. On a manual clock time moves on while the handler runs (it may
    // pause), which also ends rounds of the flow's wait.
    int HandlePush(CIR_INFO& info)
    {
        std::future<int> handled =
            std::async(std::launch::async, [&] { return m_service->ProcessMessageCIR(info); });
        while (handled.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
            if (m_manual)
                m_clock.Advance(10);
        }
        return handled.get();
    }

    void UseManualClock()
    {
        m_clock.SetMode(CVirtualClock::Mode::Manual);
        m_manual = true;
    }

    // On a manual clock: lets `rounds` waits of the flow run out, each one once the flow waits again.
    void PassWaitRounds(int rounds)
    {
        for (int round = 0; round < rounds; ++round) {
            ASSERT_TRUE(Eventually([&] { return m_clock.Waiters() == 1; })) << "the flow does not wait";
            const std::size_t reports = m_window->Progress().size();
            m_clock.Advance(500);
            ASSERT_TRUE(Eventually([&] { return m_window->Progress().size() > reports; }));
        }
        ASSERT_TRUE(Eventually([&] { return m_clock.Waiters() == 1; })) << "the flow does not wait";
    }

    ScopedEnv m_pushAddress{"LUMENO_PUSH_ADDRESS", "127.0.0.1"};
    ScopedEnv m_pushPort{"LUMENO_PUSH_PORT", "0"};
    CVirtualClock m_clock;
    CScriptedUiPort m_user;
    std::unique_ptr<CPushPort> m_push;
    bool m_manual = false;
};
