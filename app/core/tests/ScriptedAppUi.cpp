#include "ScriptedAppUi.h"

#include <gtest/gtest.h>

namespace {
// Real time; a test's own CTest time-out is the last resort.
constexpr std::uint32_t kModalWatchdogMs = 20000;
} // namespace

void CScriptedAppUi::RunPending()
{
    while (m_loop.RunPending() > 0) {
    }
}

void CWatchdogLoop::RunUntil(const std::function<bool()>& done)
{
    if (!RunUntil(done, kModalWatchdogMs))
        ADD_FAILURE() << "a modal loop did not end within " << kModalWatchdogMs << " ms";
}

void CScriptedAppUi::ShowOperationList(std::span<const OperationRow> rows, bool enabled)
{
    lists.emplace_back(rows.begin(), rows.end());
    settingsEnabled = enabled;
}

void CScriptedAppUi::WaitDialogOpened(CWaitDlg& dialog)
{
    ++waitDialogs;
    m_dialog = &dialog;
}

void CScriptedAppUi::WaitDialogChanged(const CWaitDlg& dialog)
{
    progress.push_back(Progress{dialog.StatusText(), dialog.Position()});
    if (onProgress && m_dialog)
        onProgress(*m_dialog);
}

void CScriptedAppUi::RunGenericDialog(GenericDlg& dialog)
{
    genericDialog(dialog);
    EXPECT_FALSE(dialog.IsOpen()) << "the script left the server dialog open";
}

bool CScriptedAppUi::RunWizard(CWizard& dialog)
{
    ++wizards;
    return wizard(dialog);
}

void CScriptedAppUi::ShowTextViewer(std::u16string_view title, std::u16string_view body)
{
    viewers.push_back(Viewer{std::u16string(title), std::u16string(body)});
}
