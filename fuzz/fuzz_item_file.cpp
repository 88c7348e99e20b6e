// lumeno-pim's file reading on any bytes: the text of the file (UTF-8, 8-bit, or UTF-16 in either byte
// order), cut into items, each item read into the store and written again as the tool does.
#include "FuzzCheck.h"
#include "FuzzPimSupport.h"
#include "ItemFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kFuzzPimMaxInput)
        return 0;
    const std::u16string text = DecodeItemFile(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const std::u16string& item : SplitItemTexts(text)) {
        FUZZ_CHECK(item.ends_with(u"\r\n"));
        switch (ItemConverter::DetectKind(item)) {
        case ItemKind::Contact: FuzzReadText(item, PimFolder::Contacts); break;
        case ItemKind::Appointment: FuzzReadText(item, PimFolder::Calendar); break;
        case ItemKind::Task: FuzzReadText(item, PimFolder::Tasks); break;
        case ItemKind::Unknown: break;
        }
    }
    return 0;
}
