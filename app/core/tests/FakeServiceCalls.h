#pragma once
// The service calls as a script: each call is recorded by name, returns the next scripted result
// (RES_OK, connection 0, connected, no push when the script is empty) and may run a hook first, on
// the thread that made the call. Thread-safe: flows are called on the runner's thread.

#include "core/ServiceCalls.h"

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class CFakeServiceCalls final : public CServiceCalls {
public:
    // The next results of the named call ("RetrieveSmsFlow", "StartNegotiation", ...).
    void Script(const std::string& call, std::vector<RETURNED_RES> results);
    // Runs `hook` each time the named call is made, before it returns.
    void OnCall(const std::string& call, std::function<void()> hook);
    // The next answers of ProcessMessageCIR.
    void ScriptPush(int result, CIR_INFO info);

    HCONNECTION connection = 0;
    int connected = 1;
    // FilesGetList appends `deviceFiles`; FilesListFlow replaces the list with `serverFiles`.
    FileList deviceFiles;
    FileList serverFiles;
    // The list each transfer was given.
    std::vector<FileList> Transferred() const;

    // Calls in order; a data flow as "ContactsBackupFlow(Sync)", a files flow with its command and
    // flags ("FilesListFlow(List 1)"), scripted and hooked by that name.
    std::vector<std::string> Calls() const;
    // The arguments of each CompleteNegotiation: operation and the five flags, "Sync 1 0 1 0 0".
    std::vector<std::string> Negotiations() const;
    int CountOf(const std::string& call) const;

    HCONNECTION OpenGPRSConnection() override;
    void CloseGPRSConnection(HCONNECTION connection) override;
    int ConnectServer() override;
    void DisconnectServer() override;
    int ProcessMessageCIR(CIR_INFO& info) override;
    RETURNED_RES RetrieveSmsFlow(HWND window) override;
    RETURNED_RES IdentifyDevice(HWND window, int& alreadyIdentified) override;
    RETURNED_RES SettingsRetrieveFlow(HWND window) override;
    RETURNED_RES StartNegotiation(HWND window) override;
    RETURNED_RES CompleteNegotiation(std::u16string_view operation, int contacts, int messages, int calendar,
                                     int files, int schedulerInitiated) override;
    RETURNED_RES SettingsStoreFlow() override;
    RETURNED_RES CompleteSession() override;
    RETURNED_RES ConfigVersionFlow(HWND window) override;
    RETURNED_RES ContactsBackupFlow(HWND window, std::u16string_view mode) override;
    RETURNED_RES ContactsRestoreFlow(HWND window, std::u16string_view mode) override;
    RETURNED_RES AppointmentBackupFlow(HWND window, std::u16string_view mode) override;
    RETURNED_RES AppointmentRestoreFlow(HWND window, std::u16string_view mode) override;
    RETURNED_RES TaskBackupFlow(HWND window, std::u16string_view mode) override;
    RETURNED_RES TaskRestoreFlow(HWND window, std::u16string_view mode) override;
    RETURNED_RES SmsBackupFlow(HWND window, std::u16string_view mode) override;
    RETURNED_RES SmsRestoreFlow(std::u16string_view mode) override;
    RETURNED_RES FilesGetList(FileList& list, int images, int video, int audio, int other) override;
    RETURNED_RES FilesListFlow(HWND window, std::u16string_view command, FileList& list,
                               int sendDeviceList) override;
    RETURNED_RES FilesUploadFromList(HWND window, FileList& list, int all) override;
    RETURNED_RES FilesDownloadFromList(HWND window, FileList& list, int selectedOnly, int allKinds) override;
    void AppointmentsDeleteAll() override { Call("AppointmentsDeleteAll"); }
    void TaskDeleteAll() override { Call("TaskDeleteAll"); }
    void ContactsDeleteAll() override { Call("ContactsDeleteAll"); }
    void FilesDeleteAll() override { Call("FilesDeleteAll"); }
    void SmsDeleteAll() override { Call("SmsDeleteAll"); }

private:
    // Records the call, runs its hook and takes its next result.
    RETURNED_RES Call(const std::string& call);

    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
    std::vector<std::string> m_negotiations;
    std::map<std::string, std::deque<RETURNED_RES>> m_results;
    std::map<std::string, std::function<void()>> m_hooks;
    std::deque<std::pair<int, CIR_INFO>> m_pushes;
    std::vector<FileList> m_transferred;
};
