#pragma once
// The operation trace "tidal.log" in the program folder ("\Lumeno"), truncated by each InitFile.
// Lines are "<tick count>: <text>" ended by LF. Process-wide; callers write only through a non-null
// GetInstanceLog(). Safe to call from several threads (lines never interleave within a line).

#include <string_view>

class CLog_File {
public:
    static void InitFile();  // opens (truncating) when not open; nothing when already open
    static void CloseFile();
    static void AddLogLine(std::u16string_view text);
    static CLog_File* GetInstanceLog(); // null while no log file is open
    static void Release();              // frees the object; the file stays open
};
