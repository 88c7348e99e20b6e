// lumeno as a user first meets it, against the real reference server over loopback HTTP and UDP: a
// handset without keys registers (the SMS question, the keys by push, the settings, the wizard), then
// runs the Sync the program offers, every box and key pressed on the real widgets.

#include "MainWindow.h"
#include "QtFixture.h"
#include "QtText.h"
#include "HandsetOnServer.h"
#include "WizardWindow.h"
#include "core/CTesselApp.h"
#include "core/PushWatcher.h"
#include "core/ServiceCalls.h"
#include "pim/CAlmanacFactory.h"
#include "pim/COutlookMgr.h"
#include "platform/PimStore.h"
#include "service/BrandingTexts.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <optional>

namespace {


class SyncEndToEndTest : public QtFixture {
protected:
    void SetUp() override
    {
        QtFixture::SetUp();
        ASSERT_TRUE(ConfigureTestHandset());
        // The boxes are the program's own, answered by clicks.
        CUiPort::Install(m_ui.get());
        ASSERT_TRUE(m_app.emplace().InitInstance(*m_ui, m_calls, false));
        m_ui->Attach(m_app->View());
        m_watcher.emplace(m_app->Frame().Handle());
        std::string error;
        ASSERT_TRUE(StartServerForHandset(m_server, *m_watcher, error)) << error;
    }

    void TearDown() override
    {
        CUiPort::Install(nullptr);
        StopServerForHandset(m_server, HasFailure());
        // The application first: the watcher's thread may be waiting for the frame's window.
        m_app.reset();
        m_watcher.reset();
        QtFixture::TearDown();
    }

    // The user: answers every box with its first button (OK), ticks Contacts in the wizard and presses
    // Next; what the boxes said is kept in order.
    void ActAsUser()
    {
        auto* poll = new QTimer(m_user.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (!window->isVisible())
                    continue;
                if (auto* box = dynamic_cast<QMessageBox*>(window)) {
                    m_said << box->text();
                    QTest::mouseClick(box->buttons().front(), Qt::LeftButton);
                    return;
                }
                if (auto* wizard = dynamic_cast<CWizardWindow*>(window)) {
                    m_said << wizard->windowTitle();
                    if (QCheckBox* contacts = wizard->Box(CWizard::Box::Contacts); contacts && !contacts->isChecked())
                        QTest::mouseClick(contacts, Qt::LeftButton);
                    QTest::mouseClick(&wizard->Keys().Right(), Qt::LeftButton);
                    return;
                }
            }
        });
        poll->start(20);
    }

    CRefServerProcess m_server;
    CTesselServiceCalls m_calls;
    std::optional<CTesselApp> m_app;
    std::optional<CPushWatcher> m_watcher;
    std::unique_ptr<QObject> m_user = std::make_unique<QObject>();
    QStringList m_said;
};

TEST_F(SyncEndToEndTest, AFreshHandsetRegistersAndItsFirstSyncSendsItsContacts)
{
    ItemInfo contact;
    contact.data = u"BEGIN:VCARD\r\nVERSION:2.1\r\nN:Doe;Ann\r\nTEL;CELL:+4917100000\r\nEND:VCARD\r\n";
    std::unique_ptr<CPimItem> item;
    ASSERT_TRUE(Succeeded(CAlmanacFactory::GetOutlookManager()->AddContact(contact, item)));

    ActAsUser();
    m_app->ShowMainWindow(); // no keys: the registration starts at once
    // Registration, the wizard, the question whether to sync now, the Sync and its closing box.
    ASSERT_TRUE(WaitUntil(
        [this] { return m_said.size() >= 4 && !m_app->View().IsBusy() && !QApplication::activeModalWidget(); },
        std::chrono::seconds(60)))
        << m_said.join(QStringLiteral(" | ")).toStdString();

    ASSERT_GE(m_said.size(), 4);
    EXPECT_EQ(m_said[1], Text(kTextWizardTitle)) << "the wizard follows the registration";
    EXPECT_EQ(m_said[2], Text(kTextSyncNow));
    EXPECT_EQ(m_app->View().LastOutcome(), RunOutcome::Ok);
    EXPECT_FALSE(m_ui->IsClosed());
    EXPECT_GT(m_ui->MainWindow().List().Model().rowCount(), 0) << "the operations are offered";

    const AdminReply device = m_server.Admin().Call("list-devices", {{"device", kHandsetDeviceId}});
    ASSERT_TRUE(device.Ok()) << device.error;
    ASSERT_EQ(device.records.size(), 1u);
    EXPECT_EQ(device.records[0].GetOr("registered"), "true");
    EXPECT_EQ(device.records[0].GetOr("session-state"), "completed");
    EXPECT_EQ(device.records[0].GetOr("session-operation").rfind("Sync:Contacts", 0), 0u)
        << device.records[0].GetOr("session-operation");
    const AdminReply items = m_server.Admin().Call(
        "list-items", {{"user-id", device.records[0].GetOr("user-id")}, {"kind", "contact"}});
    ASSERT_TRUE(items.Ok()) << items.error;
    EXPECT_EQ(items.records.size(), 1u) << "the handset's contact reached the account";
}

} // namespace
