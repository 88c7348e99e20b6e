#include "FakeServiceCalls.h"

#include "utils/Utf.h"

#include <algorithm>

void CFakeServiceCalls::Script(const std::string& call, std::vector<RETURNED_RES> results)
{
    std::lock_guard lock(m_mutex);
    m_results[call].insert(m_results[call].end(), results.begin(), results.end());
}

void CFakeServiceCalls::OnCall(const std::string& call, std::function<void()> hook)
{
    std::lock_guard lock(m_mutex);
    m_hooks[call] = std::move(hook);
}

void CFakeServiceCalls::ScriptPush(int result, CIR_INFO info)
{
    std::lock_guard lock(m_mutex);
    m_pushes.emplace_back(result, std::move(info));
}

std::vector<std::string> CFakeServiceCalls::Calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<std::string> CFakeServiceCalls::Negotiations() const
{
    std::lock_guard lock(m_mutex);
    return m_negotiations;
}

int CFakeServiceCalls::CountOf(const std::string& call) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count(m_calls.begin(), m_calls.end(), call));
}

RETURNED_RES CFakeServiceCalls::Call(const std::string& call)
{
    std::function<void()> hook;
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(call);
        hook = m_hooks[call];
    }
    // Outside the lock: a hook may wait for another thread that makes calls.
    if (hook)
        hook();
    std::lock_guard lock(m_mutex);
    std::deque<RETURNED_RES>& results = m_results[call];
    if (results.empty())
        return RES_OK;
    const RETURNED_RES result = results.front();
    results.pop_front();
    return result;
}

HCONNECTION CFakeServiceCalls::OpenGPRSConnection()
{
    Call("OpenGPRSConnection");
    return connection;
}

void CFakeServiceCalls::CloseGPRSConnection(HCONNECTION)
{
    Call("CloseGPRSConnection");
}

int CFakeServiceCalls::ConnectServer()
{
    Call("ConnectServer");
    return connected;
}

void CFakeServiceCalls::DisconnectServer()
{
    Call("DisconnectServer");
}

int CFakeServiceCalls::ProcessMessageCIR(CIR_INFO& info)
{
    Call("ProcessMessageCIR");
    std::lock_guard lock(m_mutex);
    if (m_pushes.empty())
        return 0;
    const auto [result, pushed] = m_pushes.front();
    m_pushes.pop_front();
    info = pushed;
    return result;
}

RETURNED_RES CFakeServiceCalls::RetrieveSmsFlow(HWND)
{
    return Call("RetrieveSmsFlow");
}

RETURNED_RES CFakeServiceCalls::IdentifyDevice(HWND, int& alreadyIdentified)
{
    alreadyIdentified = 0;
    return Call("IdentifyDevice");
}

RETURNED_RES CFakeServiceCalls::SettingsRetrieveFlow(HWND)
{
    return Call("SettingsRetrieveFlow");
}

RETURNED_RES CFakeServiceCalls::StartNegotiation(HWND)
{
    return Call("StartNegotiation");
}

RETURNED_RES CFakeServiceCalls::CompleteNegotiation(std::u16string_view operation, int contacts, int messages,
                                                     int calendar, int files, int schedulerInitiated)
{
    {
        std::lock_guard lock(m_mutex);
        m_negotiations.push_back(Utf16ToUtf8(operation));
        for (const int flag : {contacts, messages, calendar, files, schedulerInitiated})
            m_negotiations.back() += " " + std::to_string(flag);
    }
    return Call("CompleteNegotiation");
}

RETURNED_RES CFakeServiceCalls::SettingsStoreFlow()
{
    return Call("SettingsStoreFlow");
}

RETURNED_RES CFakeServiceCalls::CompleteSession()
{
    return Call("CompleteSession");
}

RETURNED_RES CFakeServiceCalls::ConfigVersionFlow(HWND)
{
    return Call("ConfigVersionFlow");
}

RETURNED_RES CFakeServiceCalls::ContactsBackupFlow(HWND, std::u16string_view mode)
{
    return Call("ContactsBackupFlow(" + Utf16ToUtf8(mode) + ")");
}

RETURNED_RES CFakeServiceCalls::ContactsRestoreFlow(HWND, std::u16string_view mode)
{
    return Call("ContactsRestoreFlow(" + Utf16ToUtf8(mode) + ")");
}

RETURNED_RES CFakeServiceCalls::AppointmentBackupFlow(HWND, std::u16string_view mode)
{
    return Call("AppointmentBackupFlow(" + Utf16ToUtf8(mode) + ")");
}

RETURNED_RES CFakeServiceCalls::AppointmentRestoreFlow(HWND, std::u16string_view mode)
{
    return Call("AppointmentRestoreFlow(" + Utf16ToUtf8(mode) + ")");
}

RETURNED_RES CFakeServiceCalls::TaskBackupFlow(HWND, std::u16string_view mode)
{
    return Call("TaskBackupFlow(" + Utf16ToUtf8(mode) + ")");
}

RETURNED_RES CFakeServiceCalls::TaskRestoreFlow(HWND, std::u16string_view mode)
{
    return Call("TaskRestoreFlow(" + Utf16ToUtf8(mode) + ")");
}

RETURNED_RES CFakeServiceCalls::SmsBackupFlow(HWND, std::u16string_view mode)
{
    return Call("SmsBackupFlow(" + Utf16ToUtf8(mode) + ")");
}

RETURNED_RES CFakeServiceCalls::SmsRestoreFlow(std::u16string_view mode)
{
    return Call("SmsRestoreFlow(" + Utf16ToUtf8(mode) + ")");
}

namespace {

std::string Flags(std::initializer_list<int> flags)
{
    std::string text;
    for (const int flag : flags)
        text += (text.empty() ? "" : " ") + std::to_string(flag);
    return text;
}

} // namespace

RETURNED_RES CFakeServiceCalls::FilesGetList(FileList& list, int images, int video, int audio, int other)
{
    list.insert(list.end(), deviceFiles.begin(), deviceFiles.end());
    return Call("FilesGetList(" + Flags({images, video, audio, other}) + ")");
}

RETURNED_RES CFakeServiceCalls::FilesListFlow(HWND, std::u16string_view command, FileList& list, int sendDeviceList)
{
    list = serverFiles;
    return Call("FilesListFlow(" + Utf16ToUtf8(command) + " " + Flags({sendDeviceList}) + ")");
}

RETURNED_RES CFakeServiceCalls::FilesUploadFromList(HWND, FileList& list, int all)
{
    {
        std::lock_guard lock(m_mutex);
        m_transferred.push_back(list);
    }
    return Call("FilesUploadFromList(" + Flags({all}) + ")");
}

RETURNED_RES CFakeServiceCalls::FilesDownloadFromList(HWND, FileList& list, int selectedOnly, int allKinds)
{
    {
        std::lock_guard lock(m_mutex);
        m_transferred.push_back(list);
    }
    return Call("FilesDownloadFromList(" + Flags({selectedOnly, allKinds}) + ")");
}

std::vector<FileList> CFakeServiceCalls::Transferred() const
{
    std::lock_guard lock(m_mutex);
    return m_transferred;
}
