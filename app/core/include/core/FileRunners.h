#pragma once
// The manual file transfers, Upload files (operation 2) and Download files (operation 3): a first
// server session lists the candidate files, the user ticks some in the files list, and a second
// session moves the ticked ones. Both follow the result convention at every step and end with a box
// (text 134 or 135, then text 131) on success.

#include "core/RunContext.h"

// Error texts: 55 listing the device, 51 to 54 for the sessions, 56 for the list exchange, 57 for
// the transfer; text 86 when the server wants none of the device's files, text 40 when nothing was
// ticked.
void UploadRunner(CRunContext& run);
// As the upload, with the server's files; text 39 when the server has none.
void DownloadRunner(CRunContext& run);
