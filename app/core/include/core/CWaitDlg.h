#pragma once
// The wait dialog an operation shows while its runner works: a status text above a progress bar of
// 0 to 10000, and a Stop key.
//
// A window on the user-interface thread's pump from construction to destruction, so that the runner
// can be given its handle before it starts; the runner and the service reach it only by messages:
// WM_SYNC_PROGRESS (sent: the text pointer is valid during the call), WM_SYNC_BYTE_PROGRESS (posted:
// the bytes of the file being moved) and WM_CLOSE_WAIT_DIALOG (posted). It registers itself as the progress dialog of the UI bridge, whose stop flag its Stop
// key sets. User-interface thread only.

#include "platform/Window.h"

#include <cstdint>
#include <string>

class CAppUi;
class UI_Sync;

class CWaitDlg final : public CWindowTarget {
public:
    static constexpr int kFullPosition = 10000;

    // Opens the dialog: status text 84, position 0, stop flag cleared.
    explicit CWaitDlg(CAppUi& ui);
    ~CWaitDlg() override;
    CWaitDlg(const CWaitDlg&) = delete;
    CWaitDlg& operator=(const CWaitDlg&) = delete;

    HWND Handle() const { return m_handle; }
    // Shows the dialog and runs the thread's messages until a close message arrives; then the
    // window is gone, so a late message from the runner is dropped rather than waited for.
    void RunModal();

    // The Stop key: sets the stop flag and shows text 85 with a full bar. The runner notices the flag
    // at its next step.
    void Stop();

    const std::u16string& StatusText() const { return m_text; }
    // 0 to 10000; a percentage of 99.97 or more shows a full bar.
    int Position() const { return m_position; }
    // The bytes of the file being moved, as the last byte progress told them; 0 of 0 when none was
    // told since the status text last changed.
    std::uint64_t BytesDone() const { return m_bytesDone; }
    std::uint64_t BytesTotal() const { return m_bytesTotal; }
    bool IsClosed() const { return m_closed; }

    LRESULT OnMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;

private:
    void Unregister();

    CAppUi& m_ui;
    UI_Sync& m_bridge;
    HWND m_handle = 0;
    std::u16string m_text;
    int m_position = 0;
    std::uint64_t m_bytesDone = 0;
    std::uint64_t m_bytesTotal = 0;
    bool m_closed = false;
    bool m_shown = false;
};
