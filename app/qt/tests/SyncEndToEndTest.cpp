// lumeno as a user first meets it, against the real reference server over loopback HTTP and UDP: a
// handset without keys registers (the SMS question, the keys by push, the settings, the wizard), then
// runs the Sync the program offers, every box and key pressed on the real widgets.

#include "MainWindow.h"
#include "QtFixture.h"
#include "QtText.h"
#include "RefServerProcess.h"
#include "WizardWindow.h"
#include "core/AppTexts.h"
#include "core/CTesselApp.h"
#include "core/PushWatcher.h"
#include "core/ServiceCalls.h"
#include "pim/CAlmanacFactory.h"
#include "pim/COutlookMgr.h"
#include "platform/PimStore.h"
#include "platform/DeviceConfig.h"
#include "platform/DevicePaths.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <iostream>
#include <optional>

namespace {

// The handset's IMEI; the server knows the device by its first 16 digits.
constexpr char kImei[] = "356938035643809123";
constexpr char kDeviceId[] = "3569380356438091";
constexpr int kSyncNowText = 188;

class SyncEndToEndTest : public QtFixture {
protected:
    void SetUp() override
    {
        QtFixture::SetUp();
        for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
                 {"manufacturer", "Maker"}, {"imei", kImei}, {"smsc", "+491710760000"},
                 {"push-address", "127.0.0.1"}, {"push-port", "0"}})
            ASSERT_TRUE(CDeviceConfig::Set(key, value));
        // The boxes are the program's own, answered by clicks.
        CUiPort::Install(m_ui.get());
        ASSERT_TRUE(m_app.emplace().InitInstance(*m_ui, m_calls, false));
        m_ui->Attach(m_app->View());
        m_watcher.emplace(m_app->Frame().Handle());
        std::string error;
        ASSERT_TRUE(m_watcher->Start(error)) << error;
        const std::string pushPort = std::to_string(m_watcher->Port());
        ASSERT_TRUE(CDeviceConfig::Set("push-port", pushPort));
        ASSERT_TRUE(m_server.Start({"--push-port", pushPort, "--identification-timeout-ms", "15000"}))
            << m_server.Error();
        ASSERT_TRUE(CDeviceConfig::Set("sms-gateway", m_server.SmsGatewayUrl()));
        CReg_Api::GetInstanceReg()->Set(&_SETTINGS_DEF::URL, Utf8ToUtf16(m_server.ServerUrl()));
        CReg_Api::GetInstanceReg()->SaveSettings();
    }

    void TearDown() override
    {
        CUiPort::Install(nullptr);
        if (m_server.IsRunning()) {
            EXPECT_TRUE(m_server.Stop());
        }
        if (HasFailure())
            std::cerr << "--- server log ---\n"
                      << m_server.Log() << "--- handset log ---\n"
                      << ReadFile(CDevicePaths::ProgramFolder() / "tidal.log");
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
    EXPECT_EQ(m_said[1], Text(186)) << "the wizard follows the registration";
    EXPECT_EQ(m_said[2], Text(kSyncNowText));
    EXPECT_EQ(m_app->View().LastOutcome(), RunOutcome::Ok);
    EXPECT_FALSE(m_ui->IsClosed());
    EXPECT_GT(m_ui->MainWindow().List().Model().rowCount(), 0) << "the operations are offered";

    const AdminReply device = m_server.Admin().Call("list-devices", {{"device", kDeviceId}});
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
