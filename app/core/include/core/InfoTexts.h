#pragma once
// The texts of the three read-only views of the main menu: the summary of the last operation, help
// and the About box.

#include <string>
#include <string_view>

class TesselService;


// The summary: the time of the last Sync start, the last operation and whether it succeeded, then
// one line per non-zero counter (or text 155). Text 93 alone while no Sync time is stored. Lines end
// with CR LF.
std::u16string SummaryText(TesselService& service);

// "<text 116> <major>.<minor>.<patch>", an empty line, then text 117; the version is read from the
// program file (0.0.0 when it has none).
std::u16string AboutText(std::u16string_view programPath);

// The program file's own path.
std::u16string ProgramPath();
