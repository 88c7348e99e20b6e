#pragma once
// The server's diagnostic log: one line per event on standard error, stamped with the UTC time.
// Standard output carries only the "listening" lines that scripts and tests read. Thread-safe.

#include <cstddef>
#include <string>
#include <string_view>

void ServerLog(std::string_view text);

// Text from a request made fit for a log line: at most `limit` bytes of it, every byte outside
// printable ASCII written as \xNN, and "..." after it when it was cut.
std::string LoggedText(std::string_view text, std::size_t limit = 64);
