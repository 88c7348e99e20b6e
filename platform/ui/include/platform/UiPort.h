#pragma once
// What the service and the application need from whichever front end is on screen: message boxes.
//
// The front end installs its port at start-up (terminal prompts, Qt message boxes, or a script in
// tests). MessageBox may be called from any thread; it blocks until the user has answered. Without an
// installed port a headless port answers: OK for an OK box, Cancel or No otherwise, and writes the
// text to the log sink.

#include "platform/Window.h"

#include <string_view>

enum : unsigned {
    MB_OK = 0,
    MB_OKCANCEL = 1,
    MB_YESNOCANCEL = 3,
    MB_YESNO = 4,
};

enum : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
};

class CUiPort {
public:
    virtual ~CUiPort() = default;
    // Shows `text` with `caption` and the buttons of `type` (MB_*), owned by `owner` (may be 0).
    // Returns the button chosen (ID*).
    virtual int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type) = 0;

    static CUiPort& Get();
    // nullptr puts the headless port back. The port must outlive its installation.
    static void Install(CUiPort* port);
};

// The answer a headless front end gives to a box of `type` (MB_*).
int HeadlessAnswer(unsigned type);
