#pragma once
// The PIM manager interface: how the sync service reads and changes the handset's contacts,
// appointments and tasks. Three groups of nine operations of the same shape; the service calls them
// through this slot order, so the order of the declarations below is part of the library's binary
// interface and the destructor comes last.
//
// Loads fill a list of ItemInfo records (text, luid, crc) and compute a folder checksum; one cursor is
// shared by the three lists. A load may leave a record's text empty when the store keeps its checksum
// (writing 10,000 texts costs more than the rest of a Sync with nothing to do); FillItemText writes it
// when it is needed. Record pointers handed out point into the lists and stay valid until the
// next load of that list. Results are 32-bit status codes: 0 success, 1 nothing done, negative errors
// (store errors passed on unchanged). One thread at a time; no locks.

#include "pim/ItemInfo.h"
#include "platform/PimStore.h"
#include "utils/Status.h"

#include <cstdint>
#include <memory>

class CPimItem;

// The error of a lookup by an empty luid: the platform's element-not-found code 1168 as a status.
inline constexpr HRESULT E_LUID_NOT_FOUND = static_cast<HRESULT>(0x80070490u);

class COutlookMgr {
public:
    // Slots 0-8: contacts.
    virtual HRESULT LoadContacts() = 0;
    virtual std::uint32_t GetContactsCRC() = 0;
    virtual COutlookMgr* ResetContacts() = 0;
    virtual ItemInfo* GetNextContact() = 0;
    virtual ItemInfo* GetContactAt(std::int32_t index) = 0;
    virtual HRESULT AddContact(ItemInfo& info, std::unique_ptr<CPimItem>& item) = 0;
    virtual HRESULT UpdateContact(ItemInfo& info) = 0;
    virtual HRESULT DeleteContact(ItemInfo& info) = 0;
    virtual void ContactsReserved() = 0;

    // Slots 9-17: appointments.
    virtual HRESULT LoadAppointments(std::int32_t daysBefore, std::int32_t daysAfter) = 0;
    virtual std::uint32_t GetAppointmentsCRC() = 0;
    virtual COutlookMgr* ResetAppointments() = 0;
    virtual ItemInfo* GetNextAppointment() = 0;
    virtual ItemInfo* GetAppointmentAt(std::int32_t index) = 0;
    virtual HRESULT AddAppointment(ItemInfo& info, std::unique_ptr<CPimItem>& item) = 0;
    virtual HRESULT UpdateAppointment(ItemInfo& info) = 0;
    virtual HRESULT DeleteAppointment(ItemInfo& info) = 0;
    virtual void AppointmentsReserved() = 0;

    // Slots 18-26: tasks.
    virtual HRESULT LoadTasks(std::int32_t daysBefore, std::int32_t daysAfter) = 0;
    virtual std::uint32_t GetTasksCRC() = 0;
    virtual COutlookMgr* ResetTasks() = 0;
    virtual ItemInfo* GetNextTask() = 0;
    virtual ItemInfo* GetTaskAt(std::int32_t index) = 0;
    virtual HRESULT AddTask(ItemInfo& info, std::unique_ptr<CPimItem>& item) = 0;
    virtual HRESULT UpdateTask(ItemInfo& info) = 0;
    virtual HRESULT DeleteTask(ItemInfo& info) = 0;
    virtual void TasksReserved() = 0;

    // Slot 27.
    virtual ~COutlookMgr() = default;

    // After the fixed slots: fills `info.data` of a record of the last load that was left without its
    // text (nothing to do for one that has it). The crc then is the text's own (a store changed since
    // the load gives the new text and its crc). E_PIM_NOT_FOUND when the item is gone since the load,
    // E_PIM_INVALID_ARG for a record of no loaded list; the record is then left as it was. This
    // default, for managers whose loads always give the text, does nothing.
    virtual HRESULT FillItemText(ItemInfo& /*info*/) { return S_OK; }

    // The map entries of restored items until the server has them, kept in the store (see
    // PimStore::AppendUnsentMap): appended inside the batch of the items they name. Status as the
    // store gives it.
    virtual HRESULT AppendUnsentMap(std::u16string_view list, const std::vector<PimMapEntry>& entries) = 0;
    virtual HRESULT LoadUnsentMap(std::u16string_view list, std::vector<PimMapEntry>& entries) = 0;
    virtual HRESULT ClearUnsentMap(std::u16string_view list) = 0;

    // Copying a manager interface copies nothing.
    COutlookMgr(const COutlookMgr&) {}
    COutlookMgr& operator=(const COutlookMgr&) { return *this; }

protected:
    COutlookMgr() = default;
};
