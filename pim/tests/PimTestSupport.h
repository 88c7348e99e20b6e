#pragma once
// Items in a memory store for the converter tests.

#include "OleDate.h"
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

    // A field of any type as text: dates in the UTC form ("" when unset), numbers in decimal.
    static std::u16string FieldText(const CPimItem& item, PimField field)
    {
        if (TypeOfField(field) == PimFieldType::Text)
            return Field(item, field);
        double number = 0;
        if (TypeOfField(field) == PimFieldType::Date) {
            std::u16string text;
            if (Succeeded(item.GetDate(field, number)))
                AppendDateText(text, number, true);
            return text;
        }
        std::int32_t value = 0;
        item.GetInteger(field, value);
        const std::string digits = std::to_string(value);
        return std::u16string(digits.begin(), digits.end());
    }

    // An item read from a text, what the writer makes of it, and what the writer makes of that text
    // read again: writer -> reader -> writer is stable when the two texts are equal.
    struct RoundTrip {
        std::unique_ptr<CPimItem> item;
        HRESULT status = E_FAIL;
        std::u16string written;
        std::u16string rewritten;
    };
    RoundTrip ReadAndRewrite(PimFolder folder, std::u16string_view text)
    {
        RoundTrip trip;
        trip.item = Read(folder, text, &trip.status);
        trip.written = TextOf(*trip.item);
        trip.rewritten = TextOf(*Read(folder, trip.written + u"\r\n"));
        return trip;
    }

private:
    std::unique_ptr<PimStore> m_store;
};
