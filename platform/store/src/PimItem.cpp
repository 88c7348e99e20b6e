#include "platform/PimStore.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool FolderRecurs(PimFolder folder)
{
    return folder == PimFolder::Calendar || folder == PimFolder::Tasks;
}

} // namespace

// --- picture stream ---

CPimPictureStream::CPimPictureStream(CPimItem& item, std::string bytes, bool writable)
    : m_item(item)
    , m_bytes(std::move(bytes))
    , m_writable(writable)
{
}

HRESULT CPimPictureStream::Read(void* buffer, std::uint32_t size, std::uint32_t* read)
{
    if (read)
        *read = 0;
    if (!buffer && size > 0)
        return E_PIM_INVALID_ARG;
    const std::uint64_t available = m_position < m_bytes.size() ? m_bytes.size() - m_position : 0;
    const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(available, size));
    if (count > 0)
        std::memcpy(buffer, m_bytes.data() + m_position, count);
    m_position += count;
    if (read)
        *read = count;
    return S_OK;
}

HRESULT CPimPictureStream::Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position)
{
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current)
        base = static_cast<std::int64_t>(m_position);
    else if (origin == SeekOrigin::End)
        base = static_cast<std::int64_t>(m_bytes.size());
    if ((offset < 0 && base + offset < 0) || (offset > 0 && base > INT64_MAX - offset))
        return E_PIM_INVALID_ARG;
    m_position = static_cast<std::uint64_t>(base + offset);
    if (position)
        *position = m_position;
    return S_OK;
}

HRESULT CPimPictureStream::Write(const void* buffer, std::uint32_t size, std::uint32_t* written)
{
    if (written)
        *written = 0;
    if (!m_writable || (!buffer && size > 0))
        return E_PIM_INVALID_ARG;
    if (m_position > m_bytes.size())
        m_bytes.resize(m_position, '\0');
    const auto* bytes = static_cast<const char*>(buffer);
    const std::size_t overlap = std::min<std::size_t>(size, m_bytes.size() - m_position);
    m_bytes.replace(m_position, overlap, bytes, size);
    m_position += size;
    if (written)
        *written = size;
    return S_OK;
}

HRESULT CPimPictureStream::Commit()
{
    if (!m_writable)
        return E_PIM_INVALID_ARG;
    m_item.m_pendingPicture = m_bytes;
    m_item.m_pictureChanged = true;
    m_item.m_record.checksum.reset();
    return S_OK;
}

// --- item ---

CPimItem::CPimItem(PimStore& store, PimRecord record)
    : m_store(store)
    , m_record(std::move(record))
{
}

HRESULT CPimItem::Save()
{
    if (m_savesDeferred)
        return S_OK;
    if (m_record.recurs && m_record.folder == PimFolder::Calendar) {
        // An appointment's pattern starts on the day the appointment starts (the integer part of an
        // OLE date is its day, before 1899 too).
        double start = NO_DATE;
        GetDate(PimField::Start, start);
        if (start < NO_DATE)
            m_record.recurrence.patternStartDate = std::trunc(start);
    }
    const HRESULT status = m_store.SaveRecord(m_record, m_pictureChanged ? &m_pendingPicture : nullptr);
    if (Succeeded(status))
        m_pictureChanged = false;
    return status;
}

HRESULT CPimItem::Delete()
{
    if (m_record.oid == 0)
        return E_PIM_NOT_FOUND;
    return m_store.DeleteRecord(m_record.oid);
}

PimFieldValue* CPimItem::Find(PimField field)
{
    for (auto& value : m_record.fields) {
        if (value.field == field)
            return &value;
    }
    return nullptr;
}

const PimFieldValue* CPimItem::Find(PimField field) const
{
    for (const auto& value : m_record.fields) {
        if (value.field == field)
            return &value;
    }
    return nullptr;
}

// Every change of a field comes here: the kept checksum no longer tells the item's text.
PimFieldValue& CPimItem::Slot(PimField field)
{
    m_record.checksum.reset();
    if (PimFieldValue* value = Find(field))
        return *value;
    return m_record.fields.emplace_back(PimFieldValue{field, {}, 0});
}

const std::u16string* CPimItem::FindText(PimField field) const
{
    const PimFieldValue* value = Find(field);
    return value && TypeOfField(field) == PimFieldType::Text ? &value->text : nullptr;
}

HRESULT CPimItem::GetProperty(std::uint32_t propertyId, std::u16string& value) const
{
    value.clear();
    if (TypeOfField(propertyId) != PimFieldType::Text)
        return E_PIM_INVALID_ARG;
    const PimFieldValue* found = Find(static_cast<PimField>(propertyId));
    if (!found)
        return E_PIM_NOT_FOUND;
    value = found->text;
    return S_OK;
}

HRESULT CPimItem::SetProperty(std::uint32_t propertyId, std::u16string_view value)
{
    const HRESULT status = SetText(static_cast<PimField>(propertyId), value);
    if (Failed(status))
        return status;
    return Save();
}

HRESULT CPimItem::GetText(PimField field, std::u16string& value) const
{
    value.clear();
    if (TypeOfField(field) != PimFieldType::Text)
        return E_PIM_INVALID_ARG;
    if (const PimFieldValue* found = Find(field))
        value = found->text;
    return S_OK;
}

HRESULT CPimItem::SetText(PimField field, std::u16string_view value)
{
    if (TypeOfField(field) != PimFieldType::Text)
        return E_PIM_INVALID_ARG;
    Slot(field).text.assign(value);
    return S_OK;
}

HRESULT CPimItem::GetNumber(PimField field, PimFieldType type, double unset, double& value) const
{
    value = unset;
    if (TypeOfField(field) != type)
        return E_PIM_INVALID_ARG;
    if (const PimFieldValue* found = Find(field))
        value = found->number;
    return S_OK;
}

HRESULT CPimItem::SetNumber(PimField field, PimFieldType type, double value)
{
    if (TypeOfField(field) != type)
        return E_PIM_INVALID_ARG;
    Slot(field).number = value;
    return S_OK;
}

HRESULT CPimItem::GetDate(PimField field, double& value) const
{
    return GetNumber(field, PimFieldType::Date, NO_DATE, value);
}

HRESULT CPimItem::SetDate(PimField field, double value)
{
    if (!std::isfinite(value))
        return E_PIM_INVALID_ARG;
    return SetNumber(field, PimFieldType::Date, value >= NO_DATE ? NO_DATE : value);
}

HRESULT CPimItem::GetInteger(PimField field, std::int32_t& value) const
{
    double number = 0;
    const HRESULT status = GetNumber(field, PimFieldType::Integer, 0, number);
    value = static_cast<std::int32_t>(number);
    return status;
}

HRESULT CPimItem::SetInteger(PimField field, std::int32_t value)
{
    return SetNumber(field, PimFieldType::Integer, value);
}

HRESULT CPimItem::GetFlag(PimField field, std::int32_t& value) const
{
    double number = 0;
    const HRESULT status = GetNumber(field, PimFieldType::Flag, 0, number);
    value = number != 0 ? -1 : 0;
    return status;
}

HRESULT CPimItem::SetFlag(PimField field, bool value)
{
    return SetNumber(field, PimFieldType::Flag, value ? -1 : 0);
}

HRESULT CPimItem::OpenPicture(PictureAccess access, std::unique_ptr<CPimPictureStream>& stream)
{
    stream.reset();
    if (m_record.folder != PimFolder::Contacts)
        return E_PIM_INVALID_ARG;
    std::string bytes;
    if (access == PictureAccess::Read) {
        if (m_pictureChanged) {
            bytes = m_pendingPicture;
        } else if (m_record.oid != 0 && m_record.hasPicture) {
            const HRESULT status = m_store.LoadPicture(m_record.oid, bytes);
            if (Failed(status))
                return status;
        }
    }
    stream.reset(new CPimPictureStream(*this, std::move(bytes), access == PictureAccess::Write));
    return S_OK;
}

HRESULT CPimItem::GetIsRecurring(bool& recurs) const
{
    recurs = false;
    if (!FolderRecurs(m_record.folder))
        return E_PIM_INVALID_ARG;
    recurs = m_record.recurs;
    return S_OK;
}

HRESULT CPimItem::ClearRecurrencePattern()
{
    if (!FolderRecurs(m_record.folder))
        return E_PIM_INVALID_ARG;
    m_record.recurs = false;
    m_record.recurrence = PimRecurrence{};
    m_record.checksum.reset();
    return S_OK;
}

HRESULT CPimItem::GetRecurrencePattern(PimRecurrence*& pattern)
{
    pattern = nullptr;
    if (!FolderRecurs(m_record.folder))
        return E_PIM_INVALID_ARG;
    if (!m_record.recurs) {
        m_record.recurs = true;
        m_record.recurrence = PimRecurrence{};
        double start = NO_DATE;
        GetDate(m_record.folder == PimFolder::Calendar ? PimField::Start : PimField::StartDate, start);
        if (start < NO_DATE)
            m_record.recurrence.patternStartDate = std::trunc(start);
    }
    // The caller may change the pattern through the pointer.
    m_record.checksum.reset();
    pattern = &m_record.recurrence;
    return S_OK;
}

// --- collection ---

HRESULT CPimItems::EnsureLoaded()
{
    if (m_loaded)
        return S_OK;
    const HRESULT status = m_store.LoadFolder(m_folder, m_records);
    if (Succeeded(status))
        m_loaded = true;
    return status;
}

HRESULT CPimItems::Count(std::int32_t& count)
{
    count = 0;
    const HRESULT status = EnsureLoaded();
    if (Failed(status))
        return status;
    count = static_cast<std::int32_t>(m_records.size());
    return S_OK;
}

HRESULT CPimItems::Item(std::int32_t position, std::unique_ptr<CPimItem>& item)
{
    item.reset();
    const HRESULT status = EnsureLoaded();
    if (Failed(status))
        return status;
    if (position < 1 || static_cast<std::size_t>(position) > m_records.size())
        return E_PIM_INVALID_ARG;
    item = std::make_unique<CPimItem>(m_store, m_records[static_cast<std::size_t>(position) - 1]);
    return S_OK;
}

HRESULT CPimItems::Add(std::unique_ptr<CPimItem>& item)
{
    PimRecord record;
    record.folder = m_folder;
    item = std::make_unique<CPimItem>(m_store, std::move(record));
    return S_OK;
}

HRESULT CPimItems::ItemById(std::uint32_t oid, std::unique_ptr<CPimItem>& item)
{
    item.reset();
    const HRESULT status = EnsureLoaded();
    if (Failed(status))
        return status;
    const auto found = std::lower_bound(m_records.begin(), m_records.end(), oid,
                                        [](const PimRecord& record, std::uint32_t id) { return record.oid < id; });
    if (found == m_records.end() || found->oid != oid)
        return E_PIM_NOT_FOUND;
    item = std::make_unique<CPimItem>(m_store, *found);
    return S_OK;
}

HRESULT FindPimItem(PimStore& store, std::uint32_t oid, std::unique_ptr<CPimItem>& item)
{
    item.reset();
    if (oid == 0 || oid > kPimMaxObjectId)
        return E_PIM_NOT_FOUND;
    PimRecord record;
    const HRESULT status = store.LoadRecord(oid, record);
    if (Failed(status))
        return status;
    item = std::make_unique<CPimItem>(store, std::move(record));
    return S_OK;
}
