#pragma once
// Where the PIM library reports bad input (an unreadable date, a picture that could not be stored)
// and store failures it absorbs: the program's log sink (platform/LogSink.h), each line marked
// "almanac: ". Thread-safe.

#include <string_view>

// Writes one line through the log sink.
void AlmanacLog(std::string_view line);
