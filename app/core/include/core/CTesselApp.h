#pragma once
// The application: start-up in the handset's order (service, settings, log, branding; the "CIR"
// word; frame and view), and the objects that live as long as the main window.
//
// Created and used on the user-interface thread. The front end owns it, runs its loop while the main
// window is open, and destroys it at the end.

#include "core/CMainFrame.h"
#include "core/CTesselView.h"

#include <memory>
#include <string_view>

class CAppUi;
class CServiceCalls;

class CTesselApp {
public:
    // The command-line word with which the scheduled-sync trigger and the installer start the
    // program after a push: the next registration only waits for the push with the keys.
    static constexpr std::u16string_view kStartedByPushWord = u"CIR";

    // Start-up up to the view's construction. False, with nothing created, when the service object
    // or the branding table is not available: the program must end without showing a window.
    bool InitInstance(CAppUi& ui, CServiceCalls& calls, bool startedByPush);
    // Opens the main window and runs the view's initial update (the first request is posted).
    void ShowMainWindow();

    CTesselView& View() { return *m_view; }
    CMainFrame& Frame() { return *m_frame; }

private:
    CAppUi* m_ui = nullptr;
    std::unique_ptr<CTesselView> m_view;
    std::unique_ptr<CMainFrame> m_frame;
};
