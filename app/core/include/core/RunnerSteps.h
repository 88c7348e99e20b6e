#pragma once
// The SMS and media steps of the Sync, Backup and Restore runners: one function per data kind, each
// in a file of its own (SmsSteps.cpp, MediaSteps.cpp), so that a kind's flows are wired into all
// three runners there alone. The runner calls a step only when its kind is selected. A step runs on
// the runner's thread, reports its progress, applies the result convention to each service call, and
// returns false when the runner must end (the convention has then closed the wait dialog).

#include "core/RunContext.h"

#include <cstdint>
#include <string_view>

enum class DataOperation : std::uint8_t { Sync, Backup, Restore };

// The mode word the flows take: "Sync", "Backup" or "Restore".
std::u16string_view ModeWord(DataOperation operation);

bool SmsStep(CRunContext& run, DataOperation operation);
// Sync and Backup upload the kinds of "Sync-Images" ... "Sync-Other" (Sync then brings back those of
// "Sync-Direction-Images" ...); Restore brings back the kinds of "Sync-Direction-Images" ...
bool MediaStep(CRunContext& run, DataOperation operation);
