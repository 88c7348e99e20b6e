#pragma once
// The service object: the one way the application drives the server. It owns the transport, the
// handset identity, the state of the current server session and the record of the server dialog that
// is on screen; every flow is one of its methods and returns a RETURNED_RES.
//
// One per process (InitService/ReleaseService). Loading the library does nothing: the first
// InitService binds the device (its configuration, settings, branding and PIM store, as the
// environment names them then), so a program or test sets up its device before that call. The
// object keeps the settings, UI bridge and branding singletons it took at construction, and
// ReleaseService releases them: release them only together with the service. The application calls flows from one worker
// thread at a time; its user-interface thread touches the object only through the stop flag, the server
// dialog record and the dialog-answered event (while a flow waits on it), and through ProcessMessageCIR.

#include "platform/ConnectionManager.h"
#include "platform/Event.h"
#include "platform/Window.h"
#include "service/FileObject.h"
#include "service/FlowState.h"
#include "service/PushMessage.h"
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
class MAPIMsgStore;
class CPimFlow;
struct HttpTransfer;
struct PimKind;

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
    // Streaming: the body from the transfer's source, the answer's body to its sink (an answer asking
    // for a server dialog keeps its body for the dialog), with its progress and stop request. An
    // answer with the QX-ErrorCode `handledCode` is the caller's to handle: RES_OK, nothing shown.
    RETURNED_RES ExecuteRequest(std::u16string_view verb, HttpTransfer& transfer, std::u16string_view handledCode = {});
    ServerTransport* Transport() { return m_transport.get(); }

    // --- the server session (worker thread) ---
    // Opens a session: a fresh session id and challenge. Sends "StartNegotiation" again for as long
    // as a server dialog asks for a repeat. When the server announces a push ("QX-ExpectCir") it waits
    // up to 80 rounds of 500 ms for it, reporting progress 20 + round; without the push it tells the
    // user and returns RES_STOPPED. RES_SETTINGS_REQUIRED: the server wants the settings fetched first
    // (ConfigVersionFlow). The stop flag ends it with RES_OK.
    RETURNED_RES StartNegotiation(HWND window);
    // Answers the challenge and names the operation and the data kinds (non-zero flags);
    // `schedulerInitiated` non-zero marks a push- or timer-started operation.
    RETURNED_RES CompleteNegotiation(std::u16string_view operation, int contacts, int messages, int calendar,
                                     int files, int schedulerInitiated);
    // Ends the session, with the session error report when one was recorded.
    RETURNED_RES CompleteSession();
    // Fetches the settings inside the open session, closes it and negotiates again; the first result
    // other than RES_OK ends it.
    RETURNED_RES ConfigVersionFlow(HWND window);

    // --- identification and registration (worker thread) ---
    // Gets the user key and the device key; `alreadyIdentified` is 1 when the handset had both. The
    // device key may come by push: up to 40 s of waiting, RES_STOPPED (settings saved) without it.
    RETURNED_RES IdentifyDevice(HWND window, int& alreadyIdentified);
    // Registers the phone number: "InitDevice", the registration SMS (after the user's consent) and the
    // wait for the push that brings the keys, again from the start until the keys come, the server
    // gives up on the SMS (RES_SETTINGS_REQUIRED, "Retry-Number" 100), or a step fails.
    RETURNED_RES RetrieveSmsFlow(HWND window);

    // --- server settings (worker thread) ---
    // One "RetrieveSettings" request in the open session, written into the settings. An answer that
    // is not a document is kept as "\res.xml" and gives RES_ERROR.
    RETURNED_RES SettingsRetrieve();
    // A whole session that fetches the settings; "SettingsRettrived" becomes 1 only when all of it
    // succeeded.
    RETURNED_RES SettingsRetrieveFlow(HWND window);
    // Sends the user's 21 settings in the open session ("StoreSettings").
    RETURNED_RES SettingsStoreFlow();

    // --- text messages (worker thread) ---
    // Sends every message of the handset's inbox and sent items as one message list ("QX-CommandType"
    // SMS) in `mode` ("Backup" or "Sync"). RES_ERROR when the messaging store cannot be read; a handset
    // without an SMS store sends an empty list. The stop flag ends it with RES_OK.
    RETURNED_RES SmsBackupFlow(HWND window, std::u16string_view mode);
    // Applies the server's message list: "Restore" asks for it, "Sync" takes the answer to the backup
    // just sent. Adds the listed messages the handset lacks, deletes those listed as "deleted", and
    // writes "sms_added", "sms_deleted" and "sms_failed" (refused changes and messages without a
    // readable time). RES_ERROR, with no counter written, when the answer is not a document (kept as
    // "\res.xml") or a folder cannot be opened.
    RETURNED_RES SmsRestoreFlow(std::u16string_view mode);

    // --- contacts, appointments and tasks (worker thread, inside a negotiated session) ---
    // `mode` is "Backup", "Sync" or "Restore". A backup sends the checksum list and uploads what the
    // server asks for; in "Sync" the restore that follows applies the server's changes from the answer
    // to the last upload, in "Restore" after sending the full checksum list, and then sends the map.
    // RES_USER_CONFIRMED: in a "Sync" of a phone without contacts, the user chose to restore them
    // (ContactsRestoreFlow in "Restore" mode follows). The stop flag ends a flow with RES_OK; any
    // other result is a request's, or RES_ERROR for an unreadable store or answer.
    RETURNED_RES ContactsBackupFlow(HWND window, std::u16string_view mode);
    RETURNED_RES ContactsRestoreFlow(HWND window, std::u16string_view mode);
    RETURNED_RES AppointmentBackupFlow(HWND window, std::u16string_view mode);
    RETURNED_RES AppointmentRestoreFlow(HWND window, std::u16string_view mode);
    RETURNED_RES TaskBackupFlow(HWND window, std::u16string_view mode);
    RETURNED_RES TaskRestoreFlow(HWND window, std::u16string_view mode);

    // --- push messages and the data connection (user-interface thread) ---
    // Reads one push message (waiting up to 60 s) and acts on it: 1 when `info` holds a command for
    // the application, 0 when there is nothing to do (no message, a layout or signature that does not
    // hold, or keys delivered to a waiting flow; then `info.command` 5 tells that the device key came).
    int ProcessMessageCIR(CIR_INFO& info);
    // The same for a message already read (its text as the push port gave it).
    int ProcessPushText(std::u16string_view text, CIR_INFO& info);
    // The data connection the server needs: 0 when none is needed, -1 when it cannot be made.
    HCONNECTION OpenGPRSConnection();
    // Releases a connection from OpenGPRSConnection; 0 and -1 are ignored.
    void CloseGPRSConnection(HCONNECTION connection);

    // --- files (worker thread) ---
    // Appends the files of the enabled kinds (non-zero flags) found in the documents folder and in
    // each storage card's documents and "DCIM" folders: not hidden, not empty, not through a symbolic
    // link, outside the "Forbidden-Folders". RES_OK; a folder that cannot be read adds nothing.
    RETURNED_RES FilesGetList(FileList& list, int images, int video, int audio, int other);
    // Sends the list as the device's list (`sendDeviceList` 1) or nothing, with `command` ("List",
    // "ListUpload", "ListServer", "ListNew", "ListDevice"), and replaces the list with the server's.
    // RES_ERROR (the list unchanged) when the answer is not a list; a request's result when it fails.
    RETURNED_RES FilesListFlow(HWND window, std::u16string_view command, FileList& list, int sendDeviceList);
    // Sends every file of the list (`all` 1) or the ticked ones, in chunks; counts "files_uploaded"
    // and "files_failed" (a file that cannot be read, is not in a scanned or download folder, or that
    // the server lets advance no further). A request's result when one fails; RES_OK when stopped.
    RETURNED_RES FilesUploadFromList(HWND window, FileList& list, int all);
    // Fetches the ticked files (`selectedOnly` 1) or all, of every kind (`allKinds` 1) or those whose
    // sync switch is on, into their path or their kind's download folder; a file is renamed into
    // place only once complete. A server file with status "deleted" is deleted. Counts "files_added"
    // and "files_failed"; paths the server names outside the scanned and download folders, and names
    // that are not plain file names, are counted as failed and skipped. RES_ERROR for an answer
    // without its chunk place or with a short body; a request's result when one fails; RES_OK when
    // stopped (nothing half-written is left).
    RETURNED_RES FilesDownloadFromList(HWND window, FileList& list, int selectedOnly, int allKinds);

    // --- the wipe (user-interface thread; no server) ---
    // Each deletes one kind of user data on the handset and counts it in the summary ("..._deleted");
    // a deletion that fails is passed over. Appointments and tasks within 3650 days either side of
    // today; contacts and every entry of the SIM phonebooks; the files a full scan lists; the
    // messages of the SMS store's "inbox" and "Sent Items" (any letter case), the other folders kept.
    void AppointmentsDeleteAll();
    void TaskDeleteAll();
    void ContactsDeleteAll();
    void FilesDeleteAll();
    void SmsDeleteAll();

    // --- summary counters ("Software\Orvane\Summary") ---
    void SummarySet(std::u16string_view name, REG_TYPE type, std::uint32_t* value, const std::u16string* text);
    void SummaryGetMsg(std::u16string_view name, REG_TYPE type, std::uint32_t* value, std::u16string* text);
    void SummaryEmptyAll();
    // A time the summary keeps as two 32-bit halves (100 ns since 1601 UTC): "sync_time_low" and
    // "sync_time_high" for the last sync, "cal_sync_time_low" and "cal_sync_time_high" for the last
    // calendar sync. Nothing when a half is missing, not a four-byte DWORD, or the high half is 0 (never written).
    std::optional<std::uint64_t> SummaryTime(std::u16string_view lowName, std::u16string_view highName);

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
    RETURNED_RES FollowResponse(std::u16string_view handledCode = {});
    // Asks the application window to show the record and waits for its answer; false (logged) when
    // the window does not exist, since then nobody could answer.
    bool WaitForDialogAnswer();

    bool IsStopped() const;
    void LogMissingSmsStore() const;
    // Forgets the session id and cookie and the session error report.
    void ClearSessionState();
    // The "StartNegotiation" request with the configuration version.
    RETURNED_RES RequestNegotiation();
    // The wait for the push a negotiation answer announced: nothing once it came, else the result
    // that ends the negotiation.
    std::optional<RETURNED_RES> WaitForNegotiationPush(HWND window);
    // After a step of a flow inside a server session: the result that ends the flow, or nothing to go
    // on (RES_OK). A stop, or a command the server never answered (RES_REPEAT: only the negotiation
    // sends its request again), also ends it, and the session the server handed out is closed: nothing
    // else is sent after a stop.
    std::optional<RETURNED_RES> SessionStepEnds(RETURNED_RES result);
    // Inside a negotiated session: CompleteNegotiation for "RetrieveSettings", the settings answer and
    // the end of the session; the first result that ends them (a stop ends them with RES_OK, the flag
    // telling).
    RETURNED_RES RetrieveSettingsInSession();
    RETURNED_RES WaitForDeviceKey(HWND window);
    // "InitDevice": RES_OK when an SMS is to be sent to `number`, then waiting `waitSeconds` for the
    // push; any other result ends the registration.
    RETURNED_RES RequestRegistration(HWND window, std::u16string& number, std::uint32_t& waitSeconds);
    enum class SmsSent : std::uint8_t { Yes, Cancelled, Failed };
    SmsSent SendRegistrationSms(HWND window, std::u16string_view number);
    // Waits for the push with the keys: the result that ends the registration, or nothing to start
    // it again.
    std::optional<RETURNED_RES> WaitForAccount(HWND window, CEvent& accountEvent, std::uint32_t waitSeconds);

    // The PIM engine for one run of `kind`.
    CPimFlow PimFlow(HWND window, const PimKind& kind, std::u16string_view mode);

    // The state of the running data flow (service/src/flows/); its answer is emptied whenever the
    // server assigns a session id.
    FlowState m_flow;

    std::unique_ptr<MAPIMsgStore> m_smsStore; // null when the handset has no SMS store
    std::string m_smsStoreError;              // why, for the log of the SMS flows
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
    bool m_smscAsked = false; // a handset without a service centre is asked once, not per request
    std::u16string m_userAgent;
    std::u16string m_appAgent;
    std::u16string m_acceptLanguage;

    std::atomic<std::int32_t> m_waitCir{0};
    RECT m_workArea;
    // The registration flow's answer to the push handler that woke it with the keys: set once the flow
    // has taken them, so that the handler returns (and the application acts on the push) only then.
    std::shared_ptr<CEvent> m_keysTaken;
};

// Logs the failure of a flow step with this source line and file.
#define SERVICE_LOG_FAILURE(service) (service)->LogFailure(__LINE__, __FILE_NAME__)
