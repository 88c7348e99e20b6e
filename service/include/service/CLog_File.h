#pragma once
// The operation trace "tidal.log" in the program folder ("\Lumeno"), truncated by each InitFile.
// Lines are "<tick count>: <text>" ended by LF (UTF-8, flushed per line); the tick count is that of the
// installed clock. Process-wide; AddLogLine writes nothing while no file is open. Safe to call from
// several threads (lines never interleave within a line).

#include <string_view>

class CLog_File {
public:
    static void InitFile();  // opens (truncating; the program folder is created) when not open
    static void CloseFile();
    static void AddLogLine(std::u16string_view text);
    static CLog_File* GetInstanceLog(); // null while no log file is open
    static void Release();              // the object is only a token: nothing to free; the file stays open
};
