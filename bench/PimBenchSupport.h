#pragma once
// Typical items for the PIM benchmarks, built in a store that lives in memory.

#include "platform/PimStore.h"

#include <memory>
#include <string>

// A contact as address books hold them: name, company, three numbers, two e-mails, a home address, a
// short two-line note and a birthday; with `photoBytes` > 0 also a picture of that size.
void FillTypicalContact(CPimItem& item, int index, std::size_t photoBytes);

// An hour-long appointment with subject, location, a two-line description and a 15-minute reminder;
// with `weekly` also a weekly rule (Monday, Wednesday, Friday, 10 occurrences) and three exceptions.
void FillTypicalAppointment(CPimItem& item, int index, bool weekly);

// A task with subject, description, start and due date, a reminder, high importance and private.
void FillTypicalTask(CPimItem& item, int index);

inline std::unique_ptr<CPimItem> NewBenchItem(PimStore& store, PimFolder folder)
{
    std::unique_ptr<CPimItem> item;
    CPimItems(store, folder).Add(item);
    item->Save();
    return item;
}
