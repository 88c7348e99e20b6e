#pragma once
// The four runners that move the user's data in one server session: Sync (operation 0), Calendar
// sync (1), Backup (4) and Restore (5). Each writes the summary's start values, opens the session
// (fetching the settings first when the server asks for it), runs the steps of the selected kinds with
// their progress and error texts, completes the session and ends with its message. The result
// convention ends a runner at the first step that fails or is stopped; later kinds are then not
// touched and the session is not completed.

#include "core/RunContext.h"

void SyncRunner(CRunContext& run);
void CalendarSyncRunner(CRunContext& run);
void BackupRunner(CRunContext& run);
void RestoreRunner(CRunContext& run);
