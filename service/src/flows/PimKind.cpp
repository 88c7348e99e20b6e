#include "PimKind.h"

namespace {

HRESULT LoadContacts(COutlookMgr& manager, std::int32_t, std::int32_t)
{
    return manager.LoadContacts();
}

HRESULT LoadAppointments(COutlookMgr& manager, std::int32_t daysBefore, std::int32_t daysAfter)
{
    return manager.LoadAppointments(daysBefore, daysAfter);
}

HRESULT LoadTasks(COutlookMgr& manager, std::int32_t daysBefore, std::int32_t daysAfter)
{
    return manager.LoadTasks(daysBefore, daysAfter);
}

} // namespace

const PimKind kContactsKind{
    .commandType = u"Contacts",
    .listElement = u"contact-list",
    .itemElement = u"contact",
    .listName = u"Contacts",
    .textElement = u"vcard",
    .texts = {.backupFirst = 42, .backup = 42, .restore = 79},
    .counters = {u"contacts_added", u"contacts_updated", u"contacts_deleted", u"contacts_failed",
                 u"contacts_uploaded"},
    .calls = {LoadContacts, &COutlookMgr::GetContactsCRC, &COutlookMgr::ResetContacts, &COutlookMgr::GetNextContact,
              &COutlookMgr::GetContactAt, &COutlookMgr::UpdateContact, &COutlookMgr::DeleteContact},
    .wholeListChecksum = &_SETTINGS_DEF::All_Contacts,
    .usesDateWindow = false,
    .sizeHeadersRequired = true,
    .checksumBeforeUpdate = true,
};

const PimKind kAppointmentsKind{
    .commandType = u"Events",
    .listElement = u"event-list",
    .itemElement = u"event",
    .listName = u"APPOINTMENT",
    .textElement = u"vcal",
    .texts = {.backupFirst = 83, .backup = 44, .restore = 82},
    .counters = {u"appointments_added", u"appointments_updated", u"appointments_deleted", u"appointments_failed",
                 u""},
    .calls = {LoadAppointments, &COutlookMgr::GetAppointmentsCRC, &COutlookMgr::ResetAppointments,
              &COutlookMgr::GetNextAppointment, &COutlookMgr::GetAppointmentAt, &COutlookMgr::UpdateAppointment,
              &COutlookMgr::DeleteAppointment},
    .wholeListChecksum = nullptr,
    .usesDateWindow = true,
    .sizeHeadersRequired = false,
    .checksumBeforeUpdate = false,
};

const PimKind kTasksKind{
    .commandType = u"Todo",
    .listElement = u"todo-list",
    .itemElement = u"todo",
    .listName = u"TODO",
    .textElement = u"vcal",
    .texts = {.backupFirst = 83, .backup = 45, .restore = 81},
    .counters = {u"tasks_added", u"tasks_updated", u"tasks_deleted", u"tasks_failed", u""},
    .calls = {LoadTasks, &COutlookMgr::GetTasksCRC, &COutlookMgr::ResetTasks, &COutlookMgr::GetNextTask,
              &COutlookMgr::GetTaskAt, &COutlookMgr::UpdateTask, &COutlookMgr::DeleteTask},
    .wholeListChecksum = nullptr,
    .usesDateWindow = true,
    .sizeHeadersRequired = false,
    .checksumBeforeUpdate = false,
};
