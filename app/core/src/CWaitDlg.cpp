#include "core/CWaitDlg.h"

#include "core/AppUi.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/Messages.h"
#include "service/UI_Sync.h"

#include <algorithm>

CWaitDlg::CWaitDlg(CAppUi& ui)
    : m_ui(ui), m_bridge(*UI_Sync::GetInstanceUISync()), m_text(BrandingText(kTextPleaseWait))
{
    m_handle = RegisterWindow(*this, ui.Loop());
    m_bridge.SetDialogPtr(m_handle);
    m_bridge.SetStop(false);
}

CWaitDlg::~CWaitDlg()
{
    Unregister();
}

void CWaitDlg::Unregister()
{
    if (m_handle == 0)
        return;
    UnregisterWindow(m_handle);
    // Only while it still names this dialog: a later dialog may have taken its place.
    if (m_bridge.DialogWindow() == m_handle)
        m_bridge.SetDialogPtr(0);
    m_handle = 0;
}

void CWaitDlg::RunModal()
{
    m_shown = true;
    m_ui.WaitDialogOpened(*this);
    m_ui.Loop().RunUntil([this] { return m_closed; });
    Unregister();
    m_shown = false;
    m_ui.WaitDialogClosed();
}

void CWaitDlg::Stop()
{
    if (m_closed)
        return;
    m_bridge.SetStop(true);
    const std::u16string stopping = BrandingText(kTextStopping);
    SendMessage(m_handle, WM_SYNC_PROGRESS, reinterpret_cast<WPARAM>(stopping.c_str()), 100);
}

LRESULT CWaitDlg::OnMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYNC_PROGRESS) {
        if (const auto* text = reinterpret_cast<const char16_t*>(wParam)) {
            if (m_text != text)
                m_bytesDone = m_bytesTotal = 0;
            m_text = text;
        }
        // Values beyond a percentage (the push waits count up to 158) show a full bar.
        const std::int64_t position =
            std::clamp<std::int64_t>(static_cast<std::int64_t>(lParam) * 100, 0, kFullPosition);
        m_position = position >= kFullPosition - 3 ? kFullPosition : static_cast<int>(position);
        if (m_shown)
            m_ui.WaitDialogChanged(*this);
        return 0;
    }
    if (message == WM_SYNC_BYTE_PROGRESS) {
        m_bytesDone = static_cast<std::uint64_t>(wParam);
        m_bytesTotal = static_cast<std::uint64_t>(lParam);
        if (m_shown)
            m_ui.WaitDialogChanged(*this);
        return 0;
    }
    if (message == WM_CLOSE_WAIT_DIALOG)
        m_closed = true;
    return 0;
}
