#pragma once
// Adding the items of a .vcf or .vcs file to the PIM store, as lumeno-pim import does.

#include "utils/Status.h"

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

class COutlookMgr;

struct ImportOutcome {
    std::size_t items = 0; // found in the file
    std::size_t added = 0;
    std::vector<std::pair<std::size_t, HRESULT>> failures; // item number (from 1) and its status
};

// Adds every vCard, VEVENT and VTODO of the file (DecodeItemFile, SplitItemTexts) through the manager's
// add operations, a few hundred to a store transaction (PimBatch.h). An item the reader rejects is left
// out and listed; a batch the store cannot keep lists all its items.
ImportOutcome ImportItemFile(COutlookMgr& manager, std::string_view bytes);
