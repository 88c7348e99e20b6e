#include "pim/OutlookManager.h"

#include "OleDate.h"
#include "pim/AlmanacLog.h"
#include "pim/ItemConverter.h"
#include "platform/Clock.h"
#include "platform/PimStore.h"
#include "utils/Utf.h"

#include <cmath>

namespace {

// The luid as the service sends it, read as a signed decimal number (leading blanks, an optional
// sign, digits). Ids are kept below 2^31, so every id the store hands out reads back unchanged;
// anything else names no item.
std::uint32_t OidFromLuid(const std::u16string& luid)
{
    std::size_t i = 0;
    while (i < luid.size() && (luid[i] == u' ' || luid[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < luid.size() && (luid[i] == u'+' || luid[i] == u'-'))
        negative = luid[i++] == u'-';
    std::int64_t value = 0;
    for (; i < luid.size() && luid[i] >= u'0' && luid[i] <= u'9'; ++i) {
        value = value * 10 + (luid[i] - u'0');
        if (value > kPimMaxObjectId)
            return 0;
    }
    return negative ? 0 : static_cast<std::uint32_t>(value);
}

std::u16string LuidOf(const CPimItem& item)
{
    return item.Oid() == 0 ? std::u16string() : DecimalText(item.Oid());
}

double LocalNowOle()
{
    CivilTime local = UtcToLocal(CClock::Get().UtcNow());
    const double seconds = local.millisecond / 1000.0;
    local.millisecond = 0;
    return ContinuousToOle(OleToContinuous(CivilToOle(local)) + seconds / 86400.0);
}

} // namespace

OutlookManager::OutlookManager(std::unique_ptr<PimStore> store)
{
    m_contacts.kind = PimFolder::Contacts;
    m_appointments.kind = PimFolder::Calendar;
    m_tasks.kind = PimFolder::Tasks;
    if (!store || Failed(store->Logon())) {
        AlmanacLog("the PIM store cannot be opened; contacts, appointments and tasks are unavailable");
        return;
    }
    m_store = std::move(store);
    for (Folder* folder : {&m_contacts, &m_appointments, &m_tasks})
        folder->items = std::make_unique<CPimItems>(*m_store, folder->kind);
}

OutlookManager::~OutlookManager() = default;

HRESULT OutlookManager::Load(Folder& folder, const DateWindow* window)
{
    folder.list.clear();
    m_cursorList = &folder.list;
    m_cursor = 0;
    if (!m_store)
        return E_PIM_NOT_LOGGED_ON;
    // A fresh snapshot, read on first use: by the listing below, or by the first text asked for.
    folder.items = std::make_unique<CPimItems>(*m_store, folder.kind);
    if (window || !ItemConverter::KeepsChecksum(folder.kind))
        return ListItems(folder, window, KeptChecksums::Ignore);
    HRESULT status = S_OK;
    if (ListKeptChecksums(folder, status) || Failed(status))
        return status;
    // Some checksums are unknown (a store of an older layout, items saved by other means): they are
    // computed once and kept, in one write transaction with the reading, so that no other writer
    // changes an item between its text and its checksum. Inside a caller's batch, that batch is it.
    const HRESULT begun = m_store->BeginBatch();
    const bool ownBatch = Succeeded(begun);
    const bool fill = ownBatch || begun == E_PIM_INVALID_ARG;
    status = ListItems(folder, nullptr, fill ? KeptChecksums::TakeAndFill : KeptChecksums::Take);
    if (ownBatch && Failed(m_store->EndBatch(Succeeded(status) ? BatchEnd::Commit : BatchEnd::Discard)))
        AlmanacLog("load: the computed checksums could not be kept; the next load computes them again");
    return status;
}

bool OutlookManager::ListKeptChecksums(Folder& folder, HRESULT& status)
{
    std::vector<PimItemChecksum> kept;
    status = m_store->LoadChecksums(folder.kind, kept);
    if (Failed(status))
        return false;
    for (const PimItemChecksum& item : kept) {
        if (!item.checksum)
            return false;
    }
    folder.list.reserve(kept.size());
    CFolderChecksum checksum;
    for (const PimItemChecksum& item : kept) {
        ItemInfo& info = folder.list.emplace_back();
        info.luid = DecimalText(item.oid);
        info.crc = DecimalText(*item.checksum);
        checksum.Add(info);
    }
    folder.checksum = checksum.Value();
    return true;
}

HRESULT OutlookManager::ListItems(Folder& folder, const DateWindow* window, KeptChecksums kept)
{
    std::int32_t count = 0;
    const HRESULT status = folder.items->Count(count);
    if (Failed(status))
        return status;
    folder.list.reserve(static_cast<std::size_t>(count));
    CFolderChecksum checksum;
    for (std::int32_t position = 1; position <= count; ++position) {
        std::unique_ptr<CPimItem> item;
        if (Failed(folder.items->Item(position, item)))
            continue;
        ItemConverter converter;
        if (Failed(converter.Attach(*item)))
            continue;
        if (window && !InWindow(*item, *window))
            continue;
        ItemInfo& info = folder.list.emplace_back();
        info.luid = LuidOf(*item);
        if (kept != KeptChecksums::Ignore && item->Record().checksum) {
            info.crc = DecimalText(*item->Record().checksum);
        } else {
            info.data = converter.GetText();
            info.CalculateCRC();
            if (kept == KeptChecksums::TakeAndFill && Failed(m_store->SaveChecksum(item->Oid(), ItemChecksum(info.data))))
                AlmanacLog("load: an item's computed checksum could not be kept");
        }
        checksum.Add(info);
    }
    folder.checksum = checksum.Value();
    return S_OK;
}

OutlookManager::Folder* OutlookManager::ListHolding(const ItemInfo& info)
{
    for (Folder* folder : {&m_contacts, &m_appointments, &m_tasks}) {
        const std::vector<ItemInfo>& list = folder->list;
        if (!list.empty() && &info >= list.data() && &info < list.data() + list.size())
            return folder;
    }
    return nullptr;
}

HRESULT OutlookManager::FillItemText(ItemInfo& info)
{
    if (!info.data.empty())
        return S_OK;
    Folder* folder = ListHolding(info);
    if (!folder || !folder->items)
        return E_PIM_INVALID_ARG;
    std::unique_ptr<CPimItem> item;
    HRESULT status = folder->items->ItemById(OidFromLuid(info.luid), item);
    if (Failed(status))
        return status;
    ItemConverter converter;
    status = converter.Attach(*item);
    if (Failed(status))
        return status;
    info.data = converter.GetText();
    const std::u16string listed = info.crc;
    info.CalculateCRC();
    if (info.crc != listed)
        AlmanacLog("item " + Utf16ToUtf8(info.luid) + " changed since the load; its new text goes with its new checksum");
    return S_OK;
}

// Dates compare as points in time: negative OLE dates are moved onto the continuous scale first.
bool OutlookManager::InWindow(const CPimItem& item, const DateWindow& window) const
{
    const bool appointment = item.Folder() == PimFolder::Calendar;
    double start = NO_DATE;
    double end = NO_DATE;
    bool recurs = false;
    item.GetIsRecurring(recurs);
    if (recurs) {
        start = item.Record().recurrence.patternStartDate;
        end = item.Record().recurrence.patternEndDate;
    } else {
        item.GetDate(appointment ? PimField::Start : PimField::StartDate, start);
        item.GetDate(appointment ? PimField::End : PimField::DueDate, end);
    }
    if (!appointment && (start >= NO_DATE || end >= NO_DATE))
        return true;
    const double from = OleToContinuous(window.start);
    const double to = OleToContinuous(window.end);
    return !(OleToContinuous(end) < from || OleToContinuous(start) > to);
}

OutlookManager::DateWindow OutlookManager::WindowAroundToday(std::int32_t daysBefore, std::int32_t daysAfter) const
{
    const double today = std::floor(OleToContinuous(LocalNowOle()));
    return {ContinuousToOle(today - daysBefore), ContinuousToOle(today + daysAfter)};
}

HRESULT OutlookManager::LoadContacts()
{
    return Load(m_contacts, nullptr);
}

HRESULT OutlookManager::LoadAppointments(std::int32_t daysBefore, std::int32_t daysAfter)
{
    m_window = WindowAroundToday(daysBefore, daysAfter);
    return Load(m_appointments, &m_window);
}

HRESULT OutlookManager::LoadTasks(std::int32_t daysBefore, std::int32_t daysAfter)
{
    m_window = WindowAroundToday(daysBefore, daysAfter);
    return Load(m_tasks, &m_window);
}

COutlookMgr* OutlookManager::Reset(Folder& folder)
{
    m_cursorList = &folder.list;
    m_cursor = 0;
    return this;
}

ItemInfo* OutlookManager::GetNext()
{
    if (!m_cursorList || m_cursor >= m_cursorList->size())
        return nullptr;
    return &(*m_cursorList)[m_cursor++];
}

ItemInfo* OutlookManager::GetAt(Folder& folder, std::int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= folder.list.size()) {
        m_cursorList = nullptr;
        return nullptr;
    }
    m_cursorList = &folder.list;
    m_cursor = static_cast<std::size_t>(index);
    return &folder.list[m_cursor];
}

// An item of another folder counts as not found: a contact's luid never deletes an appointment.
HRESULT OutlookManager::FindByLuid(Folder& folder, const std::u16string& luid, std::unique_ptr<CPimItem>& item)
{
    item.reset();
    if (luid.empty())
        return E_LUID_NOT_FOUND;
    if (!m_store)
        return E_PIM_NOT_LOGGED_ON;
    const HRESULT status = FindPimItem(*m_store, OidFromLuid(luid), item);
    if (Failed(status))
        return status;
    if (item->Folder() != folder.kind) {
        item.reset();
        return E_PIM_NOT_FOUND;
    }
    return S_OK;
}

HRESULT OutlookManager::Delete(Folder& folder, ItemInfo& info)
{
    std::unique_ptr<CPimItem> item;
    const HRESULT status = FindByLuid(folder, info.luid, item);
    if (Failed(status))
        return status;
    return item->Delete();
}

// The item reaches the store in one save once the whole text is in it, so a text the reader does not
// take (it fails, or it is of no known kind), or a crash while reading, leaves no half-made item.
HRESULT OutlookManager::Add(Folder& folder, ItemInfo& info, std::unique_ptr<CPimItem>& item, std::u16string& text)
{
    item.reset();
    text.clear();
    if (!folder.items)
        return E_PIM_NOT_LOGGED_ON;
    std::unique_ptr<CPimItem> added;
    HRESULT status = folder.items->Add(added);
    if (Failed(status))
        return status;
    added->DeferSaves(true);
    ItemConverter converter;
    status = converter.Attach(*added);
    if (Succeeded(status))
        status = converter.SetText(info.data);
    if (status == S_NOTHING_DONE) {
        AlmanacLog("item text holds no vCard, VEVENT or VTODO; nothing added");
        status = E_FAIL;
    }
    added->DeferSaves(false);
    if (Succeeded(status) && ItemConverter::KeepsChecksum(folder.kind))
        text = converter.GetTextForSave();
    if (Succeeded(status))
        status = added->Save();
    if (Failed(status))
        return status;
    info.luid = LuidOf(*added);
    item = std::move(added);
    return status;
}

// The new item is added first and the old one deleted only once the add succeeded, so a failed
// update leaves the item as it was (and the record naming it).
HRESULT OutlookManager::Update(Folder& folder, ItemInfo& info)
{
    const std::u16string oldLuid = info.luid;
    std::unique_ptr<CPimItem> old;
    const HRESULT lookup = FindByLuid(folder, oldLuid, old);
    std::unique_ptr<CPimItem> added;
    std::u16string text;
    HRESULT status = Add(folder, info, added, text);
    if (Failed(status)) {
        info.luid = oldLuid;
        return status;
    }
    if (Succeeded(lookup) && Failed(old->Delete()))
        AlmanacLog("update: the replaced item could not be removed");
    if (text.empty()) {
        ItemConverter converter;
        status = converter.Attach(*added);
        if (Failed(status))
            return status;
        text = converter.GetText();
    }
    info.data = std::move(text);
    info.CalculateCRC();
    return S_OK;
}

HRESULT OutlookManager::AppendUnsentMap(std::u16string_view list, const std::vector<PimMapEntry>& entries)
{
    return m_store ? m_store->AppendUnsentMap(list, entries) : E_PIM_NOT_LOGGED_ON;
}

HRESULT OutlookManager::LoadUnsentMap(std::u16string_view list, std::vector<PimMapEntry>& entries)
{
    entries.clear();
    return m_store ? m_store->LoadUnsentMap(list, entries) : E_PIM_NOT_LOGGED_ON;
}

HRESULT OutlookManager::ClearUnsentMap(std::u16string_view list)
{
    return m_store ? m_store->ClearUnsentMap(list) : E_PIM_NOT_LOGGED_ON;
}

HRESULT OutlookManager::BeginBatch()
{
    return m_store ? m_store->BeginBatch() : E_PIM_NOT_LOGGED_ON;
}

HRESULT OutlookManager::EndBatch(BatchEnd end)
{
    return m_store ? m_store->EndBatch(end) : E_PIM_NOT_LOGGED_ON;
}

HRESULT OutlookManager::AddContact(ItemInfo& info, std::unique_ptr<CPimItem>& item)
{
    std::u16string text;
    return Add(m_contacts, info, item, text);
}

HRESULT OutlookManager::UpdateContact(ItemInfo& info)
{
    return Update(m_contacts, info);
}

HRESULT OutlookManager::DeleteContact(ItemInfo& info)
{
    return Delete(m_contacts, info);
}

HRESULT OutlookManager::AddAppointment(ItemInfo& info, std::unique_ptr<CPimItem>& item)
{
    std::u16string text;
    return Add(m_appointments, info, item, text);
}

HRESULT OutlookManager::UpdateAppointment(ItemInfo& info)
{
    return Update(m_appointments, info);
}

HRESULT OutlookManager::DeleteAppointment(ItemInfo& info)
{
    return Delete(m_appointments, info);
}

HRESULT OutlookManager::AddTask(ItemInfo& info, std::unique_ptr<CPimItem>& item)
{
    std::u16string text;
    return Add(m_tasks, info, item, text);
}

HRESULT OutlookManager::UpdateTask(ItemInfo& info)
{
    return Update(m_tasks, info);
}

HRESULT OutlookManager::DeleteTask(ItemInfo& info)
{
    return Delete(m_tasks, info);
}
