#pragma once
// One line of detail in the operation log ("tidal.log") when a log file is open: what a failing step
// saw, next to the "Error in line" line its flow writes.

#include "service/CLog_File.h"
#include "utils/Utf.h"

#include <string_view>

inline void LogLine(std::u16string_view text)
{
    if (CLog_File::GetInstanceLog())
        CLog_File::AddLogLine(text);
}

inline void LogLine(std::string_view utf8)
{
    if (CLog_File::GetInstanceLog())
        CLog_File::AddLogLine(Utf8ToUtf16(utf8));
}
