#pragma once
// The calls of the service object that reach past the handset: the data connection, the server
// connection, the push port and the flows the runners drive. The view and the runners make them
// through this interface so that their tests can script what the server and the push port do; the
// program uses CTesselServiceCalls, which forwards to TesselService.
//
// The flows are called on the runner's thread, the rest on the user-interface thread, as with the
// service object itself.

#include "platform/ConnectionManager.h"
#include "service/Results.h"
#include "service/TesselService.h"

#include <cstdint>
#include <string_view>

class CServiceCalls {
public:
    virtual ~CServiceCalls() = default;

    // A connection handle; kNoConnection when none could be made, 0 when none is needed.
    virtual HCONNECTION OpenGPRSConnection() = 0;
    virtual void CloseGPRSConnection(HCONNECTION connection) = 0;
    // Non-zero when connected.
    virtual int ConnectServer() = 0;
    virtual void DisconnectServer() = 0;

    // 1 with a command in `info`, 0 when there is nothing to do.
    virtual int ProcessMessageCIR(CIR_INFO& info) = 0;

    virtual RETURNED_RES RetrieveSmsFlow(HWND window) = 0;
    virtual RETURNED_RES IdentifyDevice(HWND window, int& alreadyIdentified) = 0;
    virtual RETURNED_RES SettingsRetrieveFlow(HWND window) = 0;
    virtual RETURNED_RES StartNegotiation(HWND window) = 0;
    virtual RETURNED_RES CompleteNegotiation(std::u16string_view operation, int contacts, int messages,
                                             int calendar, int files, int schedulerInitiated) = 0;
    virtual RETURNED_RES SettingsStoreFlow() = 0;
    virtual RETURNED_RES CompleteSession() = 0;
    virtual RETURNED_RES ConfigVersionFlow(HWND window) = 0;

    // The contacts, appointments and tasks flows; `mode` is "Sync", "Backup" or "Restore".
    virtual RETURNED_RES ContactsBackupFlow(HWND window, std::u16string_view mode) = 0;
    virtual RETURNED_RES ContactsRestoreFlow(HWND window, std::u16string_view mode) = 0;
    virtual RETURNED_RES AppointmentBackupFlow(HWND window, std::u16string_view mode) = 0;
    virtual RETURNED_RES AppointmentRestoreFlow(HWND window, std::u16string_view mode) = 0;
    virtual RETURNED_RES TaskBackupFlow(HWND window, std::u16string_view mode) = 0;
    virtual RETURNED_RES TaskRestoreFlow(HWND window, std::u16string_view mode) = 0;
    // The SMS flows; `mode` as above.
    virtual RETURNED_RES SmsBackupFlow(HWND window, std::u16string_view mode) = 0;
    virtual RETURNED_RES SmsRestoreFlow(std::u16string_view mode) = 0;
    // The files of the Upload, Download and data operations.
    virtual RETURNED_RES FilesGetList(FileList& list, int images, int video, int audio, int other) = 0;
    virtual RETURNED_RES FilesListFlow(HWND window, std::u16string_view command, FileList& list,
                                       int sendDeviceList) = 0;
    virtual RETURNED_RES FilesUploadFromList(HWND window, FileList& list, int all) = 0;
    virtual RETURNED_RES FilesDownloadFromList(HWND window, FileList& list, int selectedOnly, int allKinds) = 0;

    // The wipe, in the order a Wipeout runs them (user-interface thread).
    virtual void AppointmentsDeleteAll() = 0;
    virtual void TaskDeleteAll() = 0;
    virtual void ContactsDeleteAll() = 0;
    virtual void FilesDeleteAll() = 0;
    virtual void SmsDeleteAll() = 0;
};

inline constexpr HCONNECTION kNoConnection = -1;

// The calls as the service object makes them.
class CTesselServiceCalls final : public CServiceCalls {
public:
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
    void AppointmentsDeleteAll() override;
    void TaskDeleteAll() override;
    void ContactsDeleteAll() override;
    void FilesDeleteAll() override;
    void SmsDeleteAll() override;
};
