#include "core/ServiceCalls.h"

// Each call takes the process's service object afresh: the application's shut-down releases it.

HCONNECTION CTesselServiceCalls::OpenGPRSConnection()
{
    return TesselService::InitService()->OpenGPRSConnection();
}

void CTesselServiceCalls::CloseGPRSConnection(HCONNECTION connection)
{
    TesselService::InitService()->CloseGPRSConnection(connection);
}

int CTesselServiceCalls::ConnectServer()
{
    return TesselService::InitService()->ConnectServer();
}

void CTesselServiceCalls::DisconnectServer()
{
    TesselService::InitService()->DisconnectServer();
}

int CTesselServiceCalls::ProcessMessageCIR(CIR_INFO& info)
{
    return TesselService::InitService()->ProcessMessageCIR(info);
}

RETURNED_RES CTesselServiceCalls::RetrieveSmsFlow(HWND window)
{
    return TesselService::InitService()->RetrieveSmsFlow(window);
}

RETURNED_RES CTesselServiceCalls::IdentifyDevice(HWND window, int& alreadyIdentified)
{
    return TesselService::InitService()->IdentifyDevice(window, alreadyIdentified);
}

RETURNED_RES CTesselServiceCalls::SettingsRetrieveFlow(HWND window)
{
    return TesselService::InitService()->SettingsRetrieveFlow(window);
}

RETURNED_RES CTesselServiceCalls::StartNegotiation(HWND window)
{
    return TesselService::InitService()->StartNegotiation(window);
}

RETURNED_RES CTesselServiceCalls::CompleteNegotiation(std::u16string_view operation, int contacts,
                                                      int messages, int calendar, int files,
                                                      int schedulerInitiated)
{
    return TesselService::InitService()->CompleteNegotiation(operation, contacts, messages, calendar, files,
                                                             schedulerInitiated);
}

RETURNED_RES CTesselServiceCalls::SettingsStoreFlow()
{
    return TesselService::InitService()->SettingsStoreFlow();
}

RETURNED_RES CTesselServiceCalls::CompleteSession()
{
    return TesselService::InitService()->CompleteSession();
}

RETURNED_RES CTesselServiceCalls::ConfigVersionFlow(HWND window)
{
    return TesselService::InitService()->ConfigVersionFlow(window);
}

RETURNED_RES CTesselServiceCalls::ContactsBackupFlow(HWND window, std::u16string_view mode)
{
    return TesselService::InitService()->ContactsBackupFlow(window, mode);
}

RETURNED_RES CTesselServiceCalls::ContactsRestoreFlow(HWND window, std::u16string_view mode)
{
    return TesselService::InitService()->ContactsRestoreFlow(window, mode);
}

RETURNED_RES CTesselServiceCalls::AppointmentBackupFlow(HWND window, std::u16string_view mode)
{
    return TesselService::InitService()->AppointmentBackupFlow(window, mode);
}

RETURNED_RES CTesselServiceCalls::AppointmentRestoreFlow(HWND window, std::u16string_view mode)
{
    return TesselService::InitService()->AppointmentRestoreFlow(window, mode);
}

RETURNED_RES CTesselServiceCalls::TaskBackupFlow(HWND window, std::u16string_view mode)
{
    return TesselService::InitService()->TaskBackupFlow(window, mode);
}

RETURNED_RES CTesselServiceCalls::TaskRestoreFlow(HWND window, std::u16string_view mode)
{
    return TesselService::InitService()->TaskRestoreFlow(window, mode);
}

RETURNED_RES CTesselServiceCalls::SmsBackupFlow(HWND window, std::u16string_view mode)
{
    return TesselService::InitService()->SmsBackupFlow(window, mode);
}

RETURNED_RES CTesselServiceCalls::SmsRestoreFlow(std::u16string_view mode)
{
    return TesselService::InitService()->SmsRestoreFlow(mode);
}

RETURNED_RES CTesselServiceCalls::FilesGetList(FileList& list, int images, int video, int audio, int other)
{
    return TesselService::InitService()->FilesGetList(list, images, video, audio, other);
}

RETURNED_RES CTesselServiceCalls::FilesListFlow(HWND window, std::u16string_view command, FileList& list,
                                                int sendDeviceList)
{
    return TesselService::InitService()->FilesListFlow(window, command, list, sendDeviceList);
}

RETURNED_RES CTesselServiceCalls::FilesUploadFromList(HWND window, FileList& list, int all)
{
    return TesselService::InitService()->FilesUploadFromList(window, list, all);
}

RETURNED_RES CTesselServiceCalls::FilesDownloadFromList(HWND window, FileList& list, int selectedOnly, int allKinds)
{
    return TesselService::InitService()->FilesDownloadFromList(window, list, selectedOnly, allKinds);
}

void CTesselServiceCalls::AppointmentsDeleteAll()
{
    TesselService::InitService()->AppointmentsDeleteAll();
}

void CTesselServiceCalls::TaskDeleteAll()
{
    TesselService::InitService()->TaskDeleteAll();
}

void CTesselServiceCalls::ContactsDeleteAll()
{
    TesselService::InitService()->ContactsDeleteAll();
}

void CTesselServiceCalls::FilesDeleteAll()
{
    TesselService::InitService()->FilesDeleteAll();
}

void CTesselServiceCalls::SmsDeleteAll()
{
    TesselService::InitService()->SmsDeleteAll();
}
