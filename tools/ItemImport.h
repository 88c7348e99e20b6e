#pragma once
// Adding the items of a .vcf or .vcs file to the PIM store, as lumeno-pim import does.

#include "utils/Status.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class COutlookMgr;
class PimStore;

struct ImportOutcome {
    std::size_t items = 0; // found in the file
    std::size_t added = 0;
    std::vector<std::pair<std::size_t, HRESULT>> failures; // item number (from 1) and its status
};

// Adds every vCard, VEVENT and VTODO of the file (DecodeItemFile, SplitItemTexts) through the manager's
// add operations, a few hundred to a store transaction (PimBatch.h). An item the reader rejects is left
// out and listed; a batch the store cannot keep lists all its items.
ImportOutcome ImportItemFile(COutlookMgr& manager, std::string_view bytes);

// The user's edit of an item on the handset: item `oid` keeps its id and afterwards holds what `text`
// says and nothing of what it held before (a contact's picture included), written in one save.
// E_PIM_NOT_FOUND for an unknown id; E_FAIL (item unchanged) when the text is of another kind or does
// not read; a store error as the store gives it.
HRESULT EditItem(PimStore& store, std::uint32_t oid, std::u16string_view text);
