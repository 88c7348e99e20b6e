#include "ItemImport.h"

#include "ItemFile.h"
#include "pim/ItemConverter.h"
#include "pim/PimBatch.h"
#include "platform/PimStore.h"

namespace {

// Items per store transaction: enough that the writes of the storage no longer count, few enough that
// other programs waiting to write the store wait a fraction of a second.
constexpr std::size_t kItemsPerBatch = 500;

HRESULT AddItem(COutlookMgr& manager, std::u16string text)
{
    ItemInfo info;
    info.data = std::move(text);
    std::unique_ptr<CPimItem> item;
    switch (ItemConverter::DetectKind(info.data)) {
    case ItemKind::Contact:
        return manager.AddContact(info, item);
    case ItemKind::Appointment:
        return manager.AddAppointment(info, item);
    case ItemKind::Task:
        return manager.AddTask(info, item);
    case ItemKind::Unknown:
        break;
    }
    return E_FAIL;
}

} // namespace

ImportOutcome ImportItemFile(COutlookMgr& manager, std::string_view bytes)
{
    std::vector<std::u16string> texts = SplitItemTexts(DecodeItemFile(bytes));
    ImportOutcome outcome;
    outcome.items = texts.size();
    CPimBatch batch(manager);
    std::vector<std::size_t> pending; // item numbers added since the last commit
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const HRESULT status = AddItem(manager, std::move(texts[i]));
        if (Failed(status))
            outcome.failures.emplace_back(i + 1, status);
        else
            pending.push_back(i + 1);
        if (pending.size() < kItemsPerBatch && i + 1 < texts.size())
            continue;
        const HRESULT committed = batch.Commit();
        for (const std::size_t number : pending) {
            if (Failed(committed))
                outcome.failures.emplace_back(number, committed);
            else
                ++outcome.added;
        }
        pending.clear();
    }
    return outcome;
}

HRESULT EditItem(PimStore& store, std::uint32_t oid, std::u16string_view text)
{
    std::unique_ptr<CPimItem> old;
    if (const HRESULT found = FindPimItem(store, oid, old); Failed(found))
        return found;
    PimRecord empty;
    empty.oid = oid;
    empty.folder = old->Folder();
    CPimItem item(store, std::move(empty));
    item.DeferSaves(true);
    std::unique_ptr<CPimPictureStream> picture;
    if (item.Folder() == PimFolder::Contacts && Succeeded(item.OpenPicture(PictureAccess::Write, picture)))
        picture->Commit();
    ItemConverter converter;
    HRESULT status = converter.Attach(item);
    if (Succeeded(status))
        status = converter.SetText(text);
    if (status != S_OK)
        return E_FAIL;
    item.DeferSaves(false);
    converter.GetTextForSave();
    return item.Save();
}
