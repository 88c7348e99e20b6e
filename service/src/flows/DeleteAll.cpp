// The delete-all operations of a wipe: everything of one kind of user data on the handset goes,
// nothing is sent to the server. A deletion that fails is passed over; what was deleted is counted
// in the summary ("..._deleted"), so that the summary tells what a wipe did.

#include "service/TesselService.h"

#include "ServiceLog.h"
#include "SmsFolders.h"
#include "pim/COutlookMgr.h"
#include "platform/SimPhonebook.h"

#include <filesystem>

namespace {

// Appointments and tasks are deleted within ten years either side of today.
constexpr std::int32_t kWipeWindowDays = 3650;

// Deletes every item the manager's cursor gives after `load`; the count of deletions that worked.
std::uint32_t DeleteEach(COutlookMgr& manager, HRESULT loaded, ItemInfo* (COutlookMgr::*next)(),
                         HRESULT (COutlookMgr::*remove)(ItemInfo&))
{
    if (Failed(loaded))
        return 0;
    std::uint32_t deleted = 0;
    while (ItemInfo* item = (manager.*next)()) {
        if (Succeeded((manager.*remove)(*item)))
            ++deleted;
    }
    return deleted;
}

// Every occupied entry of the five storages, up to each storage's capacity: the entries need not
// sit in the first positions.
std::uint32_t DeleteSimEntries()
{
    CSimPhonebook sim;
    if (!sim.Initialize()) {
        LogLine("wipe: the SIM phonebooks cannot be opened");
        return 0;
    }
    std::uint32_t deleted = 0;
    for (const SimPhonebookStorage storage : kSimPhonebookStorages) {
        SimPhonebookStatus status;
        if (!sim.GetStatus(storage, status))
            continue;
        for (std::uint32_t index = 1; index <= status.total; ++index) {
            if (sim.DeleteEntry(storage, index))
                ++deleted;
        }
    }
    return deleted;
}

} // namespace

void TesselService::AppointmentsDeleteAll()
{
    std::uint32_t deleted = m_outlook ? DeleteEach(*m_outlook, m_outlook->LoadAppointments(kWipeWindowDays, kWipeWindowDays),
                                                   &COutlookMgr::GetNextAppointment, &COutlookMgr::DeleteAppointment)
                                      : 0;
    SummarySet(u"appointments_deleted", REG_TYPE_DWORD, &deleted, nullptr);
}

void TesselService::TaskDeleteAll()
{
    std::uint32_t deleted = m_outlook ? DeleteEach(*m_outlook, m_outlook->LoadTasks(kWipeWindowDays, kWipeWindowDays),
                                                   &COutlookMgr::GetNextTask, &COutlookMgr::DeleteTask)
                                      : 0;
    SummarySet(u"tasks_deleted", REG_TYPE_DWORD, &deleted, nullptr);
}

void TesselService::ContactsDeleteAll()
{
    std::uint32_t deleted = m_outlook ? DeleteEach(*m_outlook, m_outlook->LoadContacts(), &COutlookMgr::GetNextContact,
                                                   &COutlookMgr::DeleteContact)
                                      : 0;
    deleted += DeleteSimEntries();
    SummarySet(u"contacts_deleted", REG_TYPE_DWORD, &deleted, nullptr);
}

void TesselService::FilesDeleteAll()
{
    FileList list;
    FilesGetList(list, 1, 1, 1, 1);
    std::uint32_t deleted = 0;
    for (const FILE_OBJECT& file : list) {
        std::error_code error;
        // The scan lists regular files only, never through a symbolic link.
        if (std::filesystem::remove(std::filesystem::path(Utf16ToUtf8(LocalPathOf(file))), error))
            ++deleted;
    }
    SummarySet(u"files_deleted", REG_TYPE_DWORD, &deleted, nullptr);
}

void TesselService::SmsDeleteAll()
{
    // A store of its own: the wipe needs none of the flows' state, and the store file may be opened
    // twice.
    std::string error;
    const std::unique_ptr<MAPIMsgStore> store = MAPIMsgStore::Open(MAPIMsgStore::DefaultPath(), u"SMS", error);
    if (!store)
        LogLine("wipe: the SMS store cannot be opened: " + error);
    std::uint32_t deleted = 0;
    std::optional<std::vector<SyncedSmsFolder>> folders = OpenSyncedSmsFolders(store.get());
    if (!folders)
        folders.emplace();
    std::vector<MsgStoreEntry> messages;
    for (const SyncedSmsFolder& synced : *folders) {
        if (!synced.folder->ListMessages(messages))
            continue;
        for (const MsgStoreEntry& entry : messages) {
            if (synced.folder->DeleteMessage(entry.entryId))
                ++deleted;
        }
    }
    SummarySet(u"sms_deleted", REG_TYPE_DWORD, &deleted, nullptr);
}
