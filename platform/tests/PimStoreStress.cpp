// Saves contacts into a PIM store without end, for the crash test: every save writes all fields of an
// item with one counter value and then prints "saved <oid>", so a reader can check that no item was
// ever left half-written. Usage: pim_store_stress <pim.db>
#include "platform/PimStore.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pim_store_stress <pim.db>\n");
        return 2;
    }
    auto store = CreateSqlitePimStore(argv[1]);
    if (Failed(store->Logon()))
        return 1;
    CPimItems contacts(*store, PimFolder::Contacts);
    std::unique_ptr<CPimItem> previous;
    for (std::uint32_t counter = 1;; ++counter) {
        std::unique_ptr<CPimItem> item;
        contacts.Add(item);
        const std::u16string value = u"value " + std::u16string(1, static_cast<char16_t>(u'0' + counter % 10)) +
                                     std::u16string(counter % 300, u'x');
        for (std::uint32_t field = 0x0081001F; field <= 0x0095001F; field += 0x10000)
            item->SetText(static_cast<PimField>(field), value);
        if (Failed(item->Save()))
            return 1;
        std::printf("saved %u\n", item->Oid());
        std::fflush(stdout);
        if (previous) {
            // Rewrites an older item with the new value as well.
            for (std::uint32_t field = 0x0081001F; field <= 0x0095001F; field += 0x10000)
                previous->SetText(static_cast<PimField>(field), value);
            previous->Save();
        }
        previous = std::move(item);
    }
}
