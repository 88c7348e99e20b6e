// Saves contacts into a PIM store without end, for the crash test: every save writes all fields of an
// item with one counter value and then prints "saved <oid>", so a reader can check that no item was
// ever left half-written. With "batches", the saves go in batches of kBatchItems new items, printed
// once the batch is kept. Usage: pim_store_stress <pim.db> single|batches
#include "platform/PimStore.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kBatchItems = 7;

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc == 3 ? argv[2] : "";
    if (mode != "single" && mode != "batches") {
        std::fprintf(stderr, "usage: pim_store_stress <pim.db> single|batches\n");
        return 2;
    }
    const bool batches = mode == "batches";
    auto store = CreateSqlitePimStore(argv[1]);
    if (Failed(store->Logon()))
        return 1;
    CPimItems contacts(*store, PimFolder::Contacts);
    std::unique_ptr<CPimItem> previous;
    std::vector<std::uint32_t> pending; // saved in the open batch
    for (std::uint32_t counter = 1;; ++counter) {
        if (batches && pending.empty() && Failed(store->BeginBatch()))
            return 1;
        std::unique_ptr<CPimItem> item;
        contacts.Add(item);
        const std::u16string value = u"value " + std::u16string(1, static_cast<char16_t>(u'0' + counter % 10)) +
                                     std::u16string(counter % 300, u'x');
        for (std::uint32_t field = 0x0081001F; field <= 0x0095001F; field += 0x10000)
            item->SetText(static_cast<PimField>(field), value);
        if (Failed(item->Save()))
            return 1;
        pending.push_back(item->Oid());
        if (previous) {
            // Rewrites an older item with the new value as well.
            for (std::uint32_t field = 0x0081001F; field <= 0x0095001F; field += 0x10000)
                previous->SetText(static_cast<PimField>(field), value);
            previous->Save();
        }
        previous = std::move(item);
        if (batches && pending.size() < kBatchItems)
            continue;
        if (batches && Failed(store->EndBatch(BatchEnd::Commit)))
            return 1;
        for (const std::uint32_t oid : pending)
            std::printf("saved %u\n", oid);
        std::fflush(stdout);
        pending.clear();
    }
}
