#pragma once
// The service object: the one way the application drives the server. It owns the transport, the
// handset identity, the state of the current server session and the record of the server dialog that
// is on screen; every flow is one of its methods and returns a RETURNED_RES.
//
// One per process (InitService/ReleaseService). The library creates it while it is loaded and releases
// it when unloaded unless the program did so first; programs that load the library without being the
// product give themselves a private device first (service/tests/support). The object keeps the
// settings, UI bridge and branding singletons it took at construction, and ReleaseService releases
// them: release them only together with the service. The application calls flows from one worker
// thread at a time; its user-interface thread touches the object only through the stop flag, the server
// dialog record and the dialog-answered event (while a flow waits on it), and through ProcessMessageCIR.

#include "platform/Event.h"
#include "platform/Window.h"
#include "service/Results.h"
#include "service/ServerDialog.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class CReg_Api;
class CLog_File;
class UI_Sync;
class COutlookMgr;
class ServerTransport;
class CSmsStore;

struct RECT {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// Kind of a summary value.
enum REG_TYPE : std::int32_t {
    REG_TYPE_DWORD = 0,
    REG_TYPE_STRING = 1,
};

class TesselService {
public:
    static TesselService* InitService();
    static void ReleaseService();

    // --- the public data the application reads and writes ---
    ServerDialogRecord m_dialog;              // the server dialog on screen
    std::atomic<HWND> m_appWindow{0};         // receives the show-server-dialog message
    std::shared_ptr<CEvent> m_dialogAnswered; // set by the application when the dialog was answered
    // Session error report, sent by CompleteSession; cleared by each negotiation.
    bool m_errorRecorded = false;
    std::int32_t m_errorLevel = 0;
    std::u16string m_errorMessage;

    // --- small accessors ---
    void SetWaitCIR() { m_waitCir.store(1); }
    int IsWaitCIR() const { return m_waitCir.load(); }
    void RemoveWaitCIR() { m_waitCir.store(0); }
    // The device's "work-area" configuration ("left,top,right,bottom"), else the handset screen of
    // 240 x 320 pixels below its 26-pixel top bar.
    void GetWorkAreaRect(RECT& rect) const { rect = m_workArea; }
    // Remembers the window of the application's server-dialog object.
    void PrepareGenericDialog(HWND dialog) { m_genericDialog = dialog; }
    HWND GenericDialog() const { return m_genericDialog; }

    // Sends WM_SYNC_PROGRESS (text, value) to `window` and waits for it to be handled; nothing when
    // the window does not exist.
    void ReportProgress(HWND window, const std::u16string& text, std::int32_t value);
    void ReportProgress(HWND window, int brandingText, std::int32_t value);

    // --- transport and requests ---
    int ConnectServer();     // 1 connected, 0 failed
    void DisconnectServer();
    int PrepareHTTPHeader(std::u16string_view command); // 1 built, 0 identity unreadable
    RETURNED_RES ExecuteRequest(std::u16string_view verb);
    RETURNED_RES ExecuteRequest(std::u16string_view verb, std::u16string_view text); // sent as UTF-8
    RETURNED_RES ExecuteRequest(std::u16string_view verb, std::span<const std::uint8_t> bytes);
    ServerTransport* Transport() { return m_transport.get(); }

    // --- summary counters ("Software\Orvane\Summary") ---
    void SummarySet(std::u16string_view name, REG_TYPE type, std::uint32_t* value, const std::u16string* text);
    void SummaryGetMsg(std::u16string_view name, REG_TYPE type, std::uint32_t* value, std::u16string* text);
    void SummaryEmptyAll();

    // Writes "Error in line %d file %s" when a log file is open.
    void LogFailure(int line, const char* file);

    // Identity strings, filled on the first request and reused.
    const std::u16string& DeviceId() const { return m_deviceId; }
    const std::u16string& UserAgent() const { return m_userAgent; }
    const std::u16string& ApplicationAgent() const { return m_appAgent; }
    const std::u16string& Smsc() const { return m_smsc; }
    const std::u16string& ChallengeResponse() const { return m_challengeResponse; }

private:
    TesselService();
    ~TesselService();
    TesselService(const TesselService&) = delete;
    TesselService& operator=(const TesselService&) = delete;

    // Fills device id, manufacturer and IMSI from the phone line; false (logged, nothing changed)
    // without a manufacturer or a device id.
    bool ReadHandsetIdentity();
    // One server dialog round on the latest response: the result that ends the request, or nothing
    // when the executor goes on with the new response that answering the dialog brought.
    std::optional<RETURNED_RES> RunDialogRound();
    // Posts the dialog answer as "GDOperation" with this command type; false unless status 200.
    bool PostDialogAnswer(std::u16string_view commandType);
    RETURNED_RES ReportServerError();
    RETURNED_RES FollowResponse();
    // Asks the application window to show the record and waits for its answer; false (logged) when
    // the window does not exist, since then nobody could answer.
    bool WaitForDialogAnswer();

    // Field group 5: three words and two strings of the data flows; the first string is emptied
    // whenever the server assigns a session id.
    std::uint32_t m_word1 = 0;
    std::uint32_t m_word2 = 0;
    std::uint32_t m_word3 = 0;
    std::u16string m_flowText1;
    std::u16string m_flowText2;

    CSmsStore* m_smsStore = nullptr; // null while the messaging store cannot be opened
    COutlookMgr* m_outlook = nullptr;
    std::unique_ptr<ServerTransport> m_transport;
    CReg_Api* m_settingsStore = nullptr;
    CLog_File* m_log = nullptr;
    UI_Sync* m_uiSync = nullptr;
    HWND m_genericDialog = 0;
    const std::u16string* m_branding = nullptr;

    std::u16string m_deviceId;
    std::u16string m_manufacturer;
    std::u16string m_imsi;
    std::u16string m_challengeResponse;
    std::u16string m_sessionId;
    std::u16string m_smsc;
    std::u16string m_userAgent;
    std::u16string m_appAgent;
    std::u16string m_acceptLanguage;

    std::atomic<std::int32_t> m_waitCir{0};
    RECT m_workArea;
};

// Logs the failure of a flow step with this source line and file.
#define SERVICE_LOG_FAILURE(service) (service)->LogFailure(__LINE__, __FILE_NAME__)
