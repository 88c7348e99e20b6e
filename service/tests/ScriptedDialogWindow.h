#pragma once
// The application's window as the service sees it in tests: on its own user-interface thread it
// answers each show-server-dialog message from a script, the way the dialog window fills the record's
// answer fields and sets the dialog-answered event; it handles each push message (WM_PUSH) the way the
// view does, by ProcessMessageCIR on that thread; and it records every message it gets, every progress
// report (so it also stands in for the wait dialog) and every push it handled.

#include "platform/Window.h"
#include "service/PushMessage.h"
#include "service/ServerDialog.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class TesselService;

struct DialogAnswer {
    std::int32_t button = kButtonNo;
    std::optional<std::u16string> input; // what the user typed
    bool stopBox = false;                // state of the stop box, reported when the answer is yes

    static DialogAnswer Yes(std::optional<std::u16string> typed = std::nullopt, bool stopTicked = false)
    {
        return DialogAnswer{kButtonYes, std::move(typed), stopTicked};
    }
    static DialogAnswer No() { return DialogAnswer{kButtonNo, std::nullopt, false}; }
};

// One progress report a flow sent to the window.
struct ProgressReport {
    std::u16string text;
    std::int32_t value = 0;
};

// One push message the window handled: what ProcessMessageCIR returned and told the application.
struct HandledPush {
    int result = 0;
    CIR_INFO info;
};

class CScriptedDialogWindow final : public CWindowTarget {
public:
    explicit CScriptedDialogWindow(TesselService& service);
    ~CScriptedDialogWindow() override;

    HWND Handle() const { return m_handle; }
    // Answers are used in order; without one the user chooses no.
    void Script(DialogAnswer answer);
    // The record as each dialog was shown, before it was answered.
    std::vector<ServerDialogRecord> Shown() const;
    std::vector<ProgressReport> Progress() const;
    std::vector<HandledPush> Pushes() const;
    // Waits (boundedly) until the message has arrived `count` times.
    bool WaitForMessage(std::uint32_t message, int count, std::chrono::milliseconds timeout) const;

    LRESULT OnMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT HandlePush();

    TesselService& m_service;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::deque<DialogAnswer> m_answers;
    std::vector<ServerDialogRecord> m_shown;
    std::vector<ProgressReport> m_progress;
    std::vector<HandledPush> m_pushes;
    std::vector<std::uint32_t> m_messages;
    bool m_stopping = false;
    HWND m_handle = 0;
    CQueuePump* m_pump = nullptr;
    std::thread m_thread;
};
