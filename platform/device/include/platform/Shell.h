#pragma once
// Starting programs and opening web pages, as the handset's shell does.
// The default shell spawns processes (web addresses through xdg-open) without waiting for them; tests
// install a recording shell. Results tell only whether the program was found and started, not how it
// ended.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class CShell {
public:
    virtual ~CShell() = default;
    // Starts `file` (a host path, or a device path starting with "\") with `parameters`
    // (split at blanks). The handset program's file starts the installed front end (HandsetProgram).
    virtual bool Execute(std::u16string_view file, std::u16string_view parameters) = 0;
    // Opens an http or https address in the desktop's browser; any other address (a local file, another
    // scheme, one with blanks or controls) is refused with false.
    virtual bool OpenUrl(std::u16string_view url) = 0;
    // Opens a local file (a host path) with the desktop's program for its type. Only documents: false
    // for anything but a regular file, for an executable one and for a desktop entry (".desktop"),
    // which an opener would run.
    virtual bool OpenFile(std::u16string_view path) = 0;

    static CShell& Get();
    static void Install(CShell* shell); // nullptr: the default shell
};

// Runs `command` (the program found on PATH unless it names a path) and waits for its end; true when
// it ran and exited with status 0.
bool RunAndWait(std::vector<std::string> command);

// What the handset program's file ("\Lumeno\Lumeno.exe", or "\Lumeno\Lumeno" as the installer names it;
// any letter case) stands for on the host, with `parameters` already split. A file at that device path
// runs itself. Otherwise it is `lumeno` when the session is graphical and `lumeno` is installed in
// `programFolder`, else `lumeno-cli ... scheduled`: the scheduled-sync check without a window, so that a
// machine without a desktop gets its scheduled sync too. Programs found in `programFolder` are named by
// their full path, others by name (looked up on PATH). Empty for any other file.
std::vector<std::string> HandsetProgramCommand(std::u16string_view file, const std::vector<std::string>& parameters,
                                               const std::filesystem::path& programFolder, bool graphical);
