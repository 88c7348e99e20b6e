#pragma once
// The four runners that move no user data: registration, identification, the settings refresh and
// the settings upload. Each reports progress to the wait dialog, applies the result convention to
// every step and closes the wait dialog at its end.

#include "core/RunContext.h"

// Registration (request 12804): proves the phone number by SMS (or identifies the handset when the
// server wants no SMS), then fetches the settings. Error texts 178 and 50.
void RegisterRunner(CRunContext& run);
// Identification (request 12790): fetches the keys, then the settings; text 102 when no key came.
void IdentifyRunner(CRunContext& run);
// Settings refresh (request 12787 and the RetrieveSettings push): identification, then the settings.
void RefreshRunner(CRunContext& run);
// Settings upload (request 12786): one "StoreSettings" session. Error texts 51, 53, 58, 54.
void SettingsUploadRunner(CRunContext& run);
