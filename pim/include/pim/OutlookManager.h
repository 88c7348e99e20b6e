#pragma once
// The PIM manager over a PimStore. The library's own instance (CAlmanacFactory) works on the handset's
// store; tests and tools may make their own over any store. See COutlookMgr for the contract.

#include "pim/COutlookMgr.h"

#include <vector>

class PimStore;
class CPimItems;
enum class PimFolder : std::int32_t;
enum class BatchEnd : std::uint8_t;

class OutlookManager final : public COutlookMgr {
public:
    // Logs on to the store and takes the three folders' collections. A store that cannot be opened
    // leaves the manager without store: every operation that needs it then fails.
    explicit OutlookManager(std::unique_ptr<PimStore> store);
    ~OutlookManager() override;
    OutlookManager(const OutlookManager&) = delete;
    OutlookManager& operator=(const OutlookManager&) = delete;

    HRESULT LoadContacts() override;
    std::uint32_t GetContactsCRC() override { return m_contacts.checksum; }
    COutlookMgr* ResetContacts() override { return Reset(m_contacts); }
    ItemInfo* GetNextContact() override { return GetNext(); }
    ItemInfo* GetContactAt(std::int32_t index) override { return GetAt(m_contacts, index); }
    HRESULT AddContact(ItemInfo& info, std::unique_ptr<CPimItem>& item) override;
    HRESULT UpdateContact(ItemInfo& info) override;
    HRESULT DeleteContact(ItemInfo& info) override;
    void ContactsReserved() override {}

    HRESULT LoadAppointments(std::int32_t daysBefore, std::int32_t daysAfter) override;
    std::uint32_t GetAppointmentsCRC() override { return m_appointments.checksum; }
    COutlookMgr* ResetAppointments() override { return Reset(m_appointments); }
    ItemInfo* GetNextAppointment() override { return GetNext(); }
    ItemInfo* GetAppointmentAt(std::int32_t index) override { return GetAt(m_appointments, index); }
    HRESULT AddAppointment(ItemInfo& info, std::unique_ptr<CPimItem>& item) override;
    HRESULT UpdateAppointment(ItemInfo& info) override;
    HRESULT DeleteAppointment(ItemInfo& info) override;
    void AppointmentsReserved() override {}

    HRESULT LoadTasks(std::int32_t daysBefore, std::int32_t daysAfter) override;
    std::uint32_t GetTasksCRC() override { return m_tasks.checksum; }
    COutlookMgr* ResetTasks() override { return Reset(m_tasks); }
    ItemInfo* GetNextTask() override { return GetNext(); }
    ItemInfo* GetTaskAt(std::int32_t index) override { return GetAt(m_tasks, index); }
    HRESULT AddTask(ItemInfo& info, std::unique_ptr<CPimItem>& item) override;
    HRESULT UpdateTask(ItemInfo& info) override;
    HRESULT DeleteTask(ItemInfo& info) override;
    void TasksReserved() override {}

    HRESULT FillItemText(ItemInfo& info) override;
    HRESULT AppendUnsentMap(std::u16string_view list, const std::vector<PimMapEntry>& entries) override;
    HRESULT LoadUnsentMap(std::u16string_view list, std::vector<PimMapEntry>& entries) override;
    HRESULT ClearUnsentMap(std::u16string_view list) override;

    // The store transaction of a CPimBatch (see PimBatch.h); errors as the store gives them.
    HRESULT BeginBatch();
    HRESULT EndBatch(BatchEnd end);

private:
    struct Folder {
        PimFolder kind;
        std::unique_ptr<CPimItems> items;
        std::vector<ItemInfo> list;
        std::uint32_t checksum = 0;
    };
    struct DateWindow {
        double start = 0;
        double end = 0;
    };

    // What a load does with the checksums the store keeps: ignore them (kinds that keep none), take
    // them, or take them and compute and keep the missing ones.
    enum class KeptChecksums : std::uint8_t { Ignore, Take, TakeAndFill };
    HRESULT Load(Folder& folder, const DateWindow* window);
    // Lists the folder from its kept checksums, without its texts; false when one is unknown.
    bool ListKeptChecksums(Folder& folder, HRESULT& status);
    // Lists the folder from its items (all texts written except those whose checksum is taken).
    HRESULT ListItems(Folder& folder, const DateWindow* window, KeptChecksums kept);
    // The list holding `info`, or null.
    Folder* ListHolding(const ItemInfo& info);
    bool InWindow(const CPimItem& item, const DateWindow& window) const;
    COutlookMgr* Reset(Folder& folder);
    ItemInfo* GetNext();
    ItemInfo* GetAt(Folder& folder, std::int32_t index);
    HRESULT FindByLuid(Folder& folder, const std::u16string& luid, std::unique_ptr<CPimItem>& item);
    // Adds the item; `text` gets the text it was saved with when its kind keeps checksums (else empty).
    HRESULT Add(Folder& folder, ItemInfo& info, std::unique_ptr<CPimItem>& item, std::u16string& text);
    HRESULT Update(Folder& folder, ItemInfo& info);
    HRESULT Delete(Folder& folder, ItemInfo& info);
    DateWindow WindowAroundToday(std::int32_t daysBefore, std::int32_t daysAfter) const;

    std::unique_ptr<PimStore> m_store; // null when it could not be opened
    Folder m_contacts;
    Folder m_appointments;
    Folder m_tasks;
    DateWindow m_window;
    // The one cursor: a list and a position in it; null list means none.
    std::vector<ItemInfo>* m_cursorList = nullptr;
    std::size_t m_cursor = 0;
};
