#pragma once
// Where the PIM library reports bad input (an unreadable date, a picture that could not be stored)
// and store failures it absorbs. By default the lines go to standard error; the service routes them
// into its log file. Thread-safe.

#include <string_view>

using AlmanacLogSink = void (*)(std::string_view line);

// Installs `sink` (nullptr: standard error again).
void SetAlmanacLogSink(AlmanacLogSink sink);
// Writes one line through the installed sink.
void AlmanacLog(std::string_view line);
