#pragma once
// The server's diagnostic log: one line per event on standard error, stamped with the UTC time.
// Standard output carries only the "listening" lines that scripts and tests read. Thread-safe.

#include <string_view>

void ServerLog(std::string_view text);
