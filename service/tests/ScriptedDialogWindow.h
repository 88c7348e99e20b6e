#pragma once
// The application's window as the service sees it in tests: on its own user-interface thread it
// answers each show-server-dialog message from a script, the way the dialog window fills the record's
// answer fields and sets the dialog-answered event, and it records every message it gets and every
// progress report (so it also stands in for the wait dialog).

#include "platform/Window.h"
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
    // Waits (boundedly) until the message has arrived `count` times.
    bool WaitForMessage(std::uint32_t message, int count, std::chrono::milliseconds timeout) const;

    LRESULT OnMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;

private:
    TesselService& m_service;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::deque<DialogAnswer> m_answers;
    std::vector<ServerDialogRecord> m_shown;
    std::vector<ProgressReport> m_progress;
    std::vector<std::uint32_t> m_messages;
    bool m_stopping = false;
    HWND m_handle = 0;
    CQueuePump* m_pump = nullptr;
    std::thread m_thread;
};
