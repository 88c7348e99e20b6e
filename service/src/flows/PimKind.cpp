#include "PimKind.h"

#include "service/BrandingTexts.h"

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
    .texts = {.backupFirst = kTextSendingContacts, .backup = kTextSendingContacts, .restore = kTextReceivingContacts},
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
    .texts = {.backupFirst = kTextReadingCalendar, .backup = kTextSendingAppointments, .restore = kTextReceivingAppointments},
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
    .texts = {.backupFirst = kTextReadingCalendar, .backup = kTextSendingTasks, .restore = kTextReceivingTasks},
    .counters = {u"tasks_added", u"tasks_updated", u"tasks_deleted", u"tasks_failed", u""},
    .calls = {LoadTasks, &COutlookMgr::GetTasksCRC, &COutlookMgr::ResetTasks, &COutlookMgr::GetNextTask,
              &COutlookMgr::GetTaskAt, &COutlookMgr::UpdateTask, &COutlookMgr::DeleteTask},
    .wholeListChecksum = nullptr,
    .usesDateWindow = true,
    .sizeHeadersRequired = false,
    .checksumBeforeUpdate = false,
};
