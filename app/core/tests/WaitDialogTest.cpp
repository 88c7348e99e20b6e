// The wait dialog as the runner and the service reach it: progress by message, closing by message,
// Stop, and what a message after closing does.

#include "AppFixture.h"
#include "service/BrandingTexts.h"
#include "service/Messages.h"
#include "service/UI_Sync.h"

#include <thread>

namespace {

class WaitDialogTest : public AppFixture {};

TEST_F(WaitDialogTest, ProgressPositions)
{
    CWaitDlg dialog(*m_ui);
    EXPECT_EQ(dialog.StatusText(), BrandingText(kTextPleaseWait));
    EXPECT_EQ(dialog.Position(), 0);
    struct Case {
        LPARAM percent;
        int position;
    };
    for (const Case& step : {Case{50, 5000}, Case{99, 9900}, Case{100, 10000}, Case{158, 10000}, Case{-3, 0},
                             Case{0x7FFFFFFF, 10000}}) {
        SendMessage(dialog.Handle(), WM_SYNC_PROGRESS, 0, step.percent);
        EXPECT_EQ(dialog.Position(), step.position) << step.percent;
    }
    // Without a text the status stays.
    EXPECT_EQ(dialog.StatusText(), BrandingText(kTextPleaseWait));
    const std::u16string file = u"\\My Documents\\a.jpg";
    SendMessage(dialog.Handle(), WM_SYNC_PROGRESS, reinterpret_cast<WPARAM>(file.c_str()), 10);
    EXPECT_EQ(dialog.StatusText(), file);
}

TEST_F(WaitDialogTest, RunsUntilTheRunnerClosesItAndDropsLateMessages)
{
    CWaitDlg dialog(*m_ui);
    const HWND window = dialog.Handle();
    EXPECT_EQ(UI_Sync::GetInstanceUISync()->DialogWindow(), window);
    std::thread runner([window] {
        const std::u16string text = u"working";
        SendMessage(window, WM_SYNC_PROGRESS, reinterpret_cast<WPARAM>(text.c_str()), 40);
        PostMessage(window, WM_CLOSE_WAIT_DIALOG, 0, 0);
    });
    dialog.RunModal();
    runner.join();

    ASSERT_EQ(m_ui->progress.size(), 1u);
    EXPECT_EQ(m_ui->progress[0].position, 4000);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(UI_Sync::GetInstanceUISync()->DialogWindow(), 0u);
    // A runner that reports after the close does not wait for anyone.
    EXPECT_EQ(SendMessage(window, WM_SYNC_PROGRESS, 0, 50), 0);
}

TEST_F(WaitDialogTest, ServiceCanCloseItThroughTheBridge)
{
    CWaitDlg dialog(*m_ui);
    UI_Sync::GetInstanceUISync()->KillDialog();
    dialog.RunModal();
    EXPECT_TRUE(dialog.IsClosed());
}

TEST_F(WaitDialogTest, OpeningClearsTheStopFlagAndStopSetsIt)
{
    UI_Sync::GetInstanceUISync()->SetStop(true);
    CWaitDlg dialog(*m_ui);
    EXPECT_FALSE(UI_Sync::GetInstanceUISync()->IsStopped());
    dialog.Stop();
    EXPECT_TRUE(UI_Sync::GetInstanceUISync()->IsStopped());
    EXPECT_EQ(dialog.StatusText(), BrandingText(kTextStopping));
    EXPECT_EQ(dialog.Position(), 10000);
}

} // namespace
