#pragma once
// One handset against a real lumeno-refserver, over loopback HTTP and UDP, on the real clock.
//
// Each test gets a private device (folder, registry, device.conf), a fresh service object, the
// application window (server dialogs answered from a script, pushes handled on its user-interface
// thread), a scripted user for message boxes, and its own server in a temporary folder. The handset's
// push port is bound first on a port the system picks; the server is told that port, and the handset's
// SMS stand-in is given the server's gateway. Everything is stopped in TearDown; a failing test prints
// the server's log and the handset's operation log (any test does with LUMENO_SHOW_SERVER_LOG set).

#include "PushForwarder.h"
#include "RefServerProcess.h"
#include "ScriptedDialogWindow.h"
#include "ServiceFixture.h"
#include "testing/ScriptedUiPort.h"
#include "service/Results.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The value of the header `name` in a request of the server's log; empty when it has none.
std::string LoggedHeader(const AdminRecord& request, std::string_view name);

// The handset's IMEI; the device id the server knows it by is its first 16 digits.
inline constexpr char kImei[] = "356938035643809123";
inline constexpr char kDeviceId[] = "3569380356438091";

class EndToEndTest : public ServiceFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Options for the server beyond the ones every test uses.
    virtual std::vector<std::string> ServerOptions() const { return {}; }
    // The certificate authority file the handset trusts ("ca-file"); by default the system's.
    virtual std::string CaFile() const { return {}; }

    static CReg_Api::LockedSettings Settings() { return CReg_Api::GetInstanceReg()->GetSettingsInstance(); }
    HWND Window() const { return m_window->Handle(); }

    AdminReply Admin(std::string_view command, const AdminFields& fields = {}) const;
    // This handset's record as the operator sees it (list-devices); empty when the server knows none.
    AdminRecord Device() const;
    // The account's own record (show-account): user-id, ukey, config-version, ...
    AdminRecord Account(const std::string& userId) const;
    // The account's settings as the server holds them (show-account), by name.
    std::map<std::string, std::string> AccountSettings(const std::string& userId) const;
    // The server's request log, oldest first.
    std::vector<AdminRecord> RequestLog() const;
    // What the handset asked of the server, in order: the QX-Command of each protocol request, "sms"
    // for a message to the gateway.
    std::vector<std::string> Commands() const;
    // A new account with this handset on it, made by the operator, and the keys, user id and
    // configuration version handed to the handset: a handset that registered earlier and is up to
    // date. `fields` go to add-account as well. The add-account record (user-id, ukey, device-key, ...).
    AdminRecord RegisterByOperator(const AdminFields& fields = {});
    // A session as the application runs one: negotiation (with the settings download the server may
    // ask for first), the operation named with contacts and calendar, the end of the session. The
    // first result other than RES_OK.
    RETURNED_RES RunSession(std::u16string_view operation);
    // Runs `flow` on a worker thread, as the application does, while this thread stays free. Past the
    // watchdog (40 s) the user presses Stop, which ends any wait of a flow within half a second, and the
    // test fails; the result is then nothing.
    std::optional<RETURNED_RES> RunOnWorker(const std::function<RETURNED_RES()>& flow);
    // Waits (up to 20 s) until the window has handled `count` pushes.
    bool WaitForPushes(int count) const;

    CRefServerProcess m_server;
    TesselService* m_service = nullptr;
    std::unique_ptr<CScriptedDialogWindow> m_window;
    CScriptedUiPort m_user;
    CPushForwarder m_pushes;

private:
    // Writes `key` into the handset's device.conf, and keeps an environment override of it away.
    void Configure(const std::string& key, const std::string& value);
    void PrintLogs() const;

    std::map<std::string, std::unique_ptr<ScopedEnv>> m_overrides; // by variable, each once
};
