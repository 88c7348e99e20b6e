#pragma once
// The items of a .vcf or .vcs file the operator adds to an account: each vCard becomes a contact, and
// each VEVENT and VTODO becomes an appointment or a task in a vCalendar of its own that carries the
// calendar's own properties (VERSION, TZ, ...), as a handset keeps one item per vCalendar.
//
// Lines may end in LF or CR LF; the items' lines end in CR LF, as vCard 2.1 and vCalendar 1.0 write
// them. A vCard nested in another (2.1 AGENT) stays inside its card.

#include "store/PimItemStore.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct FileItem {
    PimKind kind;
    std::string text;
};

// Nothing, with the reason in `error`, when the file is not UTF-8 text, holds no item, holds a line
// outside any item, or ends inside one.
std::optional<std::vector<FileItem>> SplitItemFile(std::string_view content, std::string& error);

// A short text naming the item for the operator: the vCard's FN (else N) or the item's SUMMARY.
std::string ItemSummary(std::string_view text);
