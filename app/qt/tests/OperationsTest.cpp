// The main window over the view, as a user works it: the operations and the menu the settings
// enable, a tap that asks before a Sync, Stop in the wait dialog, and closing the window while an
// operation runs.

#include "FakeServiceCalls.h"
#include "MainWindow.h"
#include "QtFixture.h"
#include "QtText.h"
#include "Screens.h"
#include "WaitWindow.h"
#include "core/CTesselView.h"
#include "core/CWaitDlg.h"
#include "service/BrandingTexts.h"
#include "service/Messages.h"
#include "service/UI_Sync.h"

#include <QLabel>
#include <QMenu>
#include <QTest>

#include <chrono>
#include <thread>

namespace {

class OperationsTest : public QtFixture {
protected:
    void SetUp() override
    {
        QtFixture::SetUp();
        {
            const CReg_Api::LockedSettings settings = CReg_Api::GetInstanceReg()->GetSettingsInstance();
            settings->Ukey = u"user-key";
            settings->QX_key = u"device-key";
            settings->SettingsRettrived = 1;
            for (const OperationInfo& operation : OperationTable())
                (*settings).*operation.enabled = operation.code == OP_SYNC || operation.code == OP_BACKUP ? 1 : 0;
            settings->Enable_Settings = 0;
        }
        CReg_Api::GetInstanceReg()->SaveSettings();
        m_view = std::make_unique<CTesselView>(*m_ui, m_calls);
        m_ui->Attach(*m_view);
        m_ui->ShowMainWindow(u"Lumeno");
        m_view->BuildOperationList();
    }

    void TearDown() override
    {
        m_view.reset();
        QtFixture::TearDown();
    }

    CMainWindow& Window() { return m_ui->MainWindow(); }

    // The refresh request runs until the user presses Stop: the identification waits for it.
    void RunRefreshUntilStopped()
    {
        m_calls.OnCall("IdentifyDevice", [] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!UI_Sync::GetInstanceUISync()->IsStopped() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        PostMessage(m_view->Handle(), WM_OPERATION_REQUEST, REQ_REFRESH, 0);
    }

    CFakeServiceCalls m_calls;
    std::unique_ptr<CTesselView> m_view;
};

TEST_F(OperationsTest, TheWindowShowsTheEnabledOperationsAndMenu)
{
    EXPECT_EQ(Window().List().Model().rowCount(), 2);
    QMenu& menu = Window().Menu();
    struct Item {
        int command;
        bool enabled;
    };
    for (const Item& item : {Item{CMainWindow::CMD_SETTINGS, false}, Item{CMainWindow::CMD_VIEW_LOG, false},
                             Item{CMainWindow::CMD_SUMMARY, true}, Item{CMainWindow::CMD_HELP, true},
                             Item{CMainWindow::CMD_ABOUT, true}}) {
        ASSERT_NE(CSoftKeys::Item(menu, item.command), nullptr) << item.command;
        EXPECT_EQ(CSoftKeys::Item(menu, item.command)->isEnabled(), item.enabled) << item.command;
    }
    QStringList labels;
    for (const QAction* action : menu.actions())
        labels << action->text();
    EXPECT_EQ(labels, (QStringList{Text(kTextSettings), Text(kTextViewLog), Text(kTextViewSummary), Text(kTextHelp), Text(kTextAbout)}));
    menu.adjustSize();
    EXPECT_TRUE(SaveCapture(menu, QStringLiteral("menu")));
}

TEST_F(OperationsTest, ATapOnTheSyncRowAsksFirstAndNoStartsNothing)
{
    CCellListView& list = Window().List();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.Model().index(0)).center());
    ASSERT_TRUE(WaitUntil([this] { return !m_boxes.ShownBoxes().empty(); }));
    EXPECT_EQ(m_boxes.ShownBoxes().front().text, BrandingText(kTextSyncQuestion));
    EXPECT_TRUE(m_calls.Calls().empty());
}

TEST_F(OperationsTest, StopInTheWaitDialogEndsTheOperation)
{
    WhenShown<CWaitWindow>([](CWaitWindow& window) {
        QTest::mouseClick(&window.Keys().Left(), Qt::LeftButton);
        EXPECT_EQ(window.Status().text(), Text(kTextStopping));
    });
    RunRefreshUntilStopped();
    ASSERT_TRUE(
        WaitUntil([this] { return m_calls.CountOf("CloseGPRSConnection") == 1 && !m_view->IsBusy(); }));
    EXPECT_EQ(m_view->LastOutcome(), RunOutcome::Stopped);
    EXPECT_EQ(m_calls.CountOf("SettingsRetrieveFlow"), 0);
    EXPECT_EQ(m_ui->WaitWindow(), nullptr);
    EXPECT_FALSE(m_ui->IsClosed());
}

TEST_F(OperationsTest, ClosingTheWindowDuringAnOperationStopsItThenEndsTheProgram)
{
    WhenShown<CWaitWindow>([this](CWaitWindow&) { EXPECT_FALSE(Window().close()); });
    RunRefreshUntilStopped();
    ASSERT_TRUE(WaitUntil([this] { return m_ui->IsClosed(); }));
    EXPECT_EQ(m_calls.CountOf("CloseGPRSConnection"), 1);
    EXPECT_TRUE(m_view->HasShutDown());
}

} // namespace
