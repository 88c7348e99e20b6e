#pragma once
// The three PIM kinds (contacts, appointments, tasks) move to and from the server by one backup and
// one restore engine; everything in which the kinds differ is one row of this descriptor: the words
// of the documents and headers, the progress texts, the summary counters, the PIM manager's calls,
// and the few switches of behaviour. `TesselService::ContactsBackupFlow` and its five siblings keep
// their names and forward to the engine with their row; an engine that asks "which kind is this?"
// instead of reading a field has a field missing here.
//
// Rows are constants, made at compile time; read them from any thread.

#include "pim/COutlookMgr.h"
#include "service/CReg_Api.h"

#include <cstdint>
#include <string_view>

// Summary counter names of one kind; `uploaded` is empty when the kind counts no uploads.
struct PimCounters {
    std::u16string_view added;
    std::u16string_view updated;
    std::u16string_view deleted;
    std::u16string_view failed;
    std::u16string_view uploaded;
};

// Branding text numbers of the progress reports.
struct PimProgressTexts {
    int backupFirst; // the first report of a backup
    int backup;      // every later report of a backup
    int restore;     // every report of a restore
};

// The manager's calls for one kind. `load` re-reads the kind's items (within the date window of the
// settings "Calendar-Timeframe-Back" and "-Fwd" for the kinds that have one) and places the cursor on
// the first item; the others are the kind's own members of COutlookMgr.
struct PimCalls {
    HRESULT (*load)(COutlookMgr& manager, std::int32_t daysBefore, std::int32_t daysAfter);
    std::uint32_t (COutlookMgr::*checksum)();
    COutlookMgr* (COutlookMgr::*reset)();
    ItemInfo* (COutlookMgr::*next)();
    ItemInfo* (COutlookMgr::*at)(std::int32_t index);
    HRESULT (COutlookMgr::*update)(ItemInfo& info);
    HRESULT (COutlookMgr::*remove)(ItemInfo& info);
};

struct PimKind {
    std::u16string_view commandType; // "QX-CommandType" of every request
    std::u16string_view listElement; // the list element, first child of the "QXSync" root
    std::u16string_view itemElement; // one item in every document
    std::u16string_view listName;    // the "listname" attribute of checksum list, upload chunk and map
    std::u16string_view textElement; // the child that holds an item's text as CDATA
    PimProgressTexts texts;
    PimCounters counters;
    PimCalls calls;

    // The setting that keeps the whole-list checksum after a completed sync: a "Sync" whose checksum
    // is unchanged sends no per-item list, and a "Sync" of an empty list asks the user first. Null
    // for kinds without that shortcut.
    std::int32_t _SETTINGS_DEF::*wholeListChecksum;
    // Whether `load` takes the date window from the settings; the others load everything.
    bool usesDateWindow;
    // Whether a restore answer without "QX-TotalSize" or "QX-ChunkOffset" is an error; otherwise
    // each counts as 0.
    bool sizeHeadersRequired;
    // Whether the restore computes an item's checksum before the update call; otherwise the update
    // regenerates text and checksum and the map takes the checksum from the item after it.
    bool checksumBeforeUpdate;
};

extern const PimKind kContactsKind;
extern const PimKind kAppointmentsKind;
extern const PimKind kTasksKind;
