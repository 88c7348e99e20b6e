#pragma once
// Items in a memory store for the converter tests.

#include "pim/ItemConverter.h"
#include "platform/PimStore.h"

#include <memory>
#include <string>

class PimTestStore {
public:
    PimTestStore() : m_store(CreateMemoryPimStore()) {}

    PimStore& Store() { return *m_store; }

    // A new item of the folder's kind, saved once (so it has an id, as the manager's add does).
    std::unique_ptr<CPimItem> NewItem(PimFolder folder)
    {
        std::unique_ptr<CPimItem> item;
        CPimItems(*m_store, folder).Add(item);
        item->Save();
        return item;
    }

    static std::u16string TextOf(CPimItem& item)
    {
        ItemConverter converter;
        converter.Attach(item);
        return converter.GetText();
    }

    // Reads `text` into a new item of the folder's kind; `status` receives the reader's result.
    std::unique_ptr<CPimItem> Read(PimFolder folder, std::u16string_view text, HRESULT* status = nullptr)
    {
        auto item = NewItem(folder);
        ItemConverter converter;
        converter.Attach(*item);
        const HRESULT result = converter.SetText(text);
        if (status)
            *status = result;
        return item;
    }

    static std::u16string Field(const CPimItem& item, PimField field)
    {
        std::u16string value;
        item.GetText(field, value);
        return value;
    }

private:
    std::unique_ptr<PimStore> m_store;
};
