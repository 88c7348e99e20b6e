#pragma once
// One contact, appointment or task as the sync service sees it: the item's text, its store id and a
// checksum of the text.
//
// `data` is a vCard 2.1 document (contacts) or a vCalendar 1.0 document with one VEVENT or VTODO; lines
// end in CR LF. `luid` is the store's object id as unsigned decimal, empty when the item is not (yet)
// in the store. `crc` is the decimal item checksum of `data` (CalculateCRC), compared with the
// server's to find changed items. Plain values; copy freely.

#include "utils/Status.h"

#include <cstdint>
#include <string>
#include <string_view>

struct ItemInfo {
    std::u16string crc;
    std::u16string data;
    std::u16string luid;

    // crc := "%u" of Crc32Win32String over the UTF-16LE bytes of data (start 0xFFFFFFFF, no final
    // inversion): the empty text gives 4294967295. Always returns S_OK.
    HRESULT CalculateCRC();
};

struct ContactInfo : ItemInfo {};
struct AppointmentInfo : ItemInfo {};
struct TaskInfo : ItemInfo {};

// Folder checksum: the item checksum over the concatenated decimal crc texts of the loaded items, in
// load order, with no separator.
class CFolderChecksum {
public:
    void Add(const ItemInfo& item) { m_text.append(item.crc); }
    std::uint32_t Value() const;

private:
    std::u16string m_text;
};

// The item checksum of a text, as CalculateCRC computes it.
std::uint32_t ItemChecksum(std::u16string_view text);

// "%u" of a 32-bit number as wide text.
std::u16string DecimalText(std::uint32_t value);
