#pragma once
// Turns one store item into its vCard / vCalendar text and fills a store item from such a text.
//
// One converter per conversion: attach an item, then GetText or SetText, then discard the converter.
// The item must outlive the converter. Contacts travel as vCard 2.1, appointments as a VEVENT and tasks
// as a VTODO, each in its own VCALENDAR 1.0. Writing never fails (a field the store cannot give is
// left out); reading sets typed fields on the item for the caller to save, except the fields set by
// property id, which are saved at once. Single-threaded.

#include "utils/Status.h"

#include <cstdint>
#include <string>
#include <string_view>

class CPimItem;
class CPropertyReader;
enum class PimFolder : std::int32_t;
struct PimRecurrence;

enum class ItemKind : std::uint8_t { Unknown, Contact, Appointment, Task };

// Result of SetText for a text of no known kind: nothing was done.
inline constexpr HRESULT S_NOTHING_DONE = 1;

class ItemConverter {
public:
    // Attaches the item; its kind follows its folder.
    HRESULT Attach(CPimItem& item);

    // The attached item's text; empty when nothing is attached.
    std::u16string GetText() const;
    // GetText for an item about to be saved, after its last change: for the kinds whose checksum the
    // store keeps, it also puts the text's checksum on the item, for the save to keep beside it.
    std::u16string GetTextForSave();
    // Whether the store keeps the checksum of a folder's items: contacts only. Appointment and task
    // times are written in UTC from local dates, so their text changes with the time zone.
    static bool KeepsChecksum(PimFolder folder);

    // Fills the attached item from `text`; the kind is taken from the text's first BEGIN of VCARD,
    // VEVENT or VTODO. Returns S_OK, S_NOTHING_DONE for a text of unknown kind (item unchanged),
    // E_FAIL when the text's kind does not match the item (item unchanged) or when the text ends
    // before its END:VCARD / END:VCALENDAR (the fields read so far stay set on the item).
    HRESULT SetText(std::u16string_view text);

    static ItemKind DetectKind(std::u16string_view text);

private:
    std::u16string WriteVCard() const;
    std::u16string WriteVEvent() const;
    std::u16string WriteVTodo() const;
    HRESULT ReadVCard(CPropertyReader& reader);
    HRESULT ReadVEvent(CPropertyReader& reader);
    HRESULT ReadVTodo(CPropertyReader& reader);
    void ImportPicture(CPropertyReader& reader);

    CPimItem* m_item = nullptr;
    ItemKind m_kind = ItemKind::Unknown;
};
