#pragma once
// Starting programs and opening web pages, as the handset's shell does.
// The default shell spawns processes (web addresses through xdg-open) without waiting for them; tests
// install a recording shell. Results tell only whether the program was found and started, not how it
// ended.

#include <string_view>

class CShell {
public:
    virtual ~CShell() = default;
    // Starts `file` (a host path, or a device path starting with "\") with `parameters`
    // (split at blanks).
    virtual bool Execute(std::u16string_view file, std::u16string_view parameters) = 0;
    // Opens an http or https address in the desktop's browser; any other address (a local file, another
    // scheme, one with blanks or controls) is refused with false.
    virtual bool OpenUrl(std::u16string_view url) = 0;

    static CShell& Get();
    static void Install(CShell* shell); // nullptr: the default shell
};
