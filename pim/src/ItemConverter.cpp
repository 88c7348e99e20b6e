#include "pim/ItemConverter.h"

#include "PropertyReader.h"
#include "pim/ItemInfo.h"
#include "platform/PimStore.h"
#include "utils/AsciiFold.h"

namespace {

ItemKind KindOfFolder(PimFolder folder)
{
    switch (folder) {
    case PimFolder::Contacts: return ItemKind::Contact;
    case PimFolder::Calendar: return ItemKind::Appointment;
    case PimFolder::Tasks: return ItemKind::Task;
    }
    return ItemKind::Unknown;
}

} // namespace

HRESULT ItemConverter::Attach(CPimItem& item)
{
    m_item = &item;
    m_kind = KindOfFolder(item.Folder());
    return m_kind == ItemKind::Unknown ? E_PIM_INVALID_ARG : S_OK;
}

std::u16string ItemConverter::GetText() const
{
    if (!m_item)
        return {};
    switch (m_kind) {
    case ItemKind::Contact: return WriteVCard();
    case ItemKind::Appointment: return WriteVEvent();
    case ItemKind::Task: return WriteVTodo();
    case ItemKind::Unknown: break;
    }
    return {};
}

std::u16string ItemConverter::GetTextForSave()
{
    std::u16string text = GetText();
    if (m_item && KeepsChecksum(m_item->Folder()))
        m_item->SetChecksum(ItemChecksum(text));
    return text;
}

bool ItemConverter::KeepsChecksum(PimFolder folder)
{
    return folder == PimFolder::Contacts;
}

ItemKind ItemConverter::DetectKind(std::u16string_view text)
{
    CPropertyReader reader(text);
    while (reader.Next()) {
        if (reader.Id() != PropertyId::Begin)
            continue;
        const std::u16string& value = reader.NextComponent();
        if (EqualsFolded(value, u"VCARD"))
            return ItemKind::Contact;
        if (EqualsFolded(value, u"VEVENT"))
            return ItemKind::Appointment;
        if (EqualsFolded(value, u"VTODO"))
            return ItemKind::Task;
    }
    return ItemKind::Unknown;
}

HRESULT ItemConverter::SetText(std::u16string_view text)
{
    const ItemKind kind = DetectKind(text);
    if (kind == ItemKind::Unknown)
        return S_NOTHING_DONE;
    if (!m_item || kind != m_kind)
        return E_FAIL;
    CPropertyReader reader(text, kind == ItemKind::Contact ? TextDialect::VCard21 : TextDialect::VCalendar10);
    switch (kind) {
    case ItemKind::Contact: return ReadVCard(reader);
    case ItemKind::Appointment: return ReadVEvent(reader);
    case ItemKind::Task: return ReadVTodo(reader);
    case ItemKind::Unknown: break;
    }
    return S_NOTHING_DONE;
}
