#include "ScriptedDialogWindow.h"

#include "service/Messages.h"
#include "service/TesselService.h"

#include <algorithm>

namespace {
// Long enough for any test; the test's own CTest time-out ends a hang first.
constexpr std::uint32_t kPumpRunMs = 10 * 60 * 1000;
} // namespace

CScriptedDialogWindow::CScriptedDialogWindow(TesselService& service)
    : m_service(service)
{
    m_thread = std::thread([this] {
        CQueuePump pump;
        {
            std::lock_guard lock(m_mutex);
            m_handle = RegisterWindow(*this, pump);
            m_pump = &pump;
        }
        m_changed.notify_all();
        pump.RunUntil(
            [this] {
                std::lock_guard lock(m_mutex);
                return m_stopping;
            },
            kPumpRunMs);
        UnregisterWindow(m_handle);
        std::lock_guard lock(m_mutex);
        m_pump = nullptr;
    });
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_pump != nullptr; });
}

CScriptedDialogWindow::~CScriptedDialogWindow()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_pump->Post([] {});
    }
    m_thread.join();
}

void CScriptedDialogWindow::Script(DialogAnswer answer)
{
    std::lock_guard lock(m_mutex);
    m_answers.push_back(std::move(answer));
}

std::vector<ServerDialogRecord> CScriptedDialogWindow::Shown() const
{
    std::lock_guard lock(m_mutex);
    return m_shown;
}

bool CScriptedDialogWindow::WaitForMessage(std::uint32_t message, int count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        return std::count(m_messages.begin(), m_messages.end(), message) >= count;
    });
}

std::vector<ProgressReport> CScriptedDialogWindow::Progress() const
{
    std::lock_guard lock(m_mutex);
    return m_progress;
}

std::vector<HandledPush> CScriptedDialogWindow::Pushes() const
{
    std::lock_guard lock(m_mutex);
    return m_pushes;
}

LRESULT CScriptedDialogWindow::OnMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PUSH)
        return HandlePush();
    std::lock_guard lock(m_mutex);
    m_messages.push_back(message);
    m_changed.notify_all();
    if (message == WM_SYNC_PROGRESS) {
        const auto* text = reinterpret_cast<const char16_t*>(wParam);
        m_progress.push_back(
            {text ? std::u16string(text) : std::u16string(), static_cast<std::int32_t>(lParam)});
        return 0;
    }
    if (message != WM_SHOW_SERVER_DIALOG)
        return 0;
    ServerDialogRecord& record = m_service.m_dialog;
    m_shown.push_back(record);
    DialogAnswer answer;
    if (!m_answers.empty()) {
        answer = std::move(m_answers.front());
        m_answers.pop_front();
    }
    record.chosenButton = answer.button;
    if (answer.input)
        record.inputValue = *answer.input;
    if (answer.button == kButtonYes)
        record.hasStopDialog = answer.stopBox ? 1 : 0;
    m_service.m_dialogAnswered->Set();
    return 0;
}

LRESULT CScriptedDialogWindow::HandlePush()
{
    // Outside the lock: the test may look at the window while the handler reads the message. The
    // message counts as arrived once it was handled, so a test that waits for it sees its effects.
    HandledPush handled;
    handled.result = m_service.ProcessMessageCIR(handled.info);
    std::lock_guard lock(m_mutex);
    m_pushes.push_back(handled);
    m_messages.push_back(WM_PUSH);
    m_changed.notify_all();
    return handled.result;
}
