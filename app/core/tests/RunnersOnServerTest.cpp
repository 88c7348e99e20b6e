// The four short runners against the real reference server, over loopback HTTP and UDP on the real
// clock: the view dispatches, the service talks to the server, pushes come through the push watcher.

#include "HandsetOnServer.h"
#include "ScriptedAppUi.h"
#include "ServiceFixture.h"
#include "core/CMainFrame.h"
#include "core/CTesselView.h"
#include "core/PushWatcher.h"
#include "service/BrandingTexts.h"
#include "testing/ScriptedUiPort.h"

#include <optional>

namespace {

constexpr const char* kDeviceId = kHandsetDeviceId;

class RunnersOnServerTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ASSERT_TRUE(ConfigureTestHandset());
        CUiPort::Install(&m_boxes);
        m_view.emplace(m_ui, m_calls);
        m_frame.emplace(m_ui.Loop(), m_view->Handle());
        m_watcher.emplace(m_frame->Handle());
        std::string error;
        ASSERT_TRUE(StartServerForHandset(m_server, *m_watcher, error)) << error;
    }

    void TearDown() override
    {
        m_frame.reset();
        m_watcher.reset();
        m_view.reset();
        StopServerForHandset(m_server, HasFailure());
        CUiPort::Install(nullptr);
        ServiceFixture::TearDown();
    }

    static CReg_Api& Store() { return *CReg_Api::GetInstanceReg(); }

    RunOutcome Run(int request)
    {
        m_view->OnOperationRequest(request, nullptr);
        return m_view->LastOutcome();
    }

    AdminReply Admin(std::string_view command, const AdminFields& fields = {}) const
    {
        return m_server.Admin().Call(command, fields);
    }

    // An account with this handset on it, made by the operator; the handset holds its keys.
    AdminRecord RegisterByOperator()
    {
        const AdminReply added = Admin("add-account", {{"device", kDeviceId}});
        EXPECT_TRUE(added.Ok()) << added.error;
        if (added.records.empty())
            return {};
        const AdminRecord& account = added.records.front();
        Store().Set(&_SETTINGS_DEF::Ukey, Utf8ToUtf16(account.GetOr("ukey")));
        Store().Set(&_SETTINGS_DEF::QX_key, Utf8ToUtf16(account.GetOr("device-key")));
        Store().Set(&_SETTINGS_DEF::UserId, Utf8ToUtf16(account.GetOr("user-id")));
        Store().Set(&_SETTINGS_DEF::SettingsRettrived, 1);
        Store().SaveSettings();
        return account;
    }

    std::map<std::string, std::string> AccountSettings(const std::string& userId) const
    {
        std::map<std::string, std::string> settings;
        for (const AdminRecord& record : Admin("show-account", {{"user-id", userId}}).records) {
            if (record.GetOr("kind") == "setting")
                settings[record.GetOr("name")] = record.GetOr("value");
        }
        return settings;
    }

    CRefServerProcess m_server;
    CScriptedUiPort m_boxes;
    CScriptedAppUi m_ui;
    CTesselServiceCalls m_calls;
    std::optional<CTesselView> m_view;
    std::optional<CPushWatcher> m_watcher;
    std::optional<CMainFrame> m_frame;
};

TEST_F(RunnersOnServerTest, RegistersAFreshHandsetBySmsAndPush)
{
    m_boxes.Answer(IDOK);     // send the registration SMS
    m_boxes.Answer(IDCANCEL); // no sync now

    EXPECT_EQ(Run(REQ_REGISTER), RunOutcome::Ok);

    EXPECT_TRUE(Store().HasKeys());
    EXPECT_EQ(Store().Get(&_SETTINGS_DEF::SettingsRettrived), 1);
    EXPECT_EQ(Store().Get(&_SETTINGS_DEF::Retry_Number), 0);
    // The server's settings arrived: its sync periods.
    EXPECT_FALSE(Store().Get(&_SETTINGS_DEF::Sync_Timeframe).empty());
    EXPECT_EQ(m_ui.wizards, 1);
    const AdminReply device = Admin("list-devices", {{"device", kDeviceId}});
    ASSERT_TRUE(device.Ok()) << device.error;
    ASSERT_FALSE(device.records.empty());
    EXPECT_EQ(device.records[0].GetOr("registered"), "true");
    EXPECT_EQ(Utf8ToUtf16(device.records[0].GetOr("device-key")), Store().Get(&_SETTINGS_DEF::QX_key));
    EXPECT_FALSE(m_ui.mainWindowClosed);
}

TEST_F(RunnersOnServerTest, IdentifiesAHandsetTheOperatorRegistered)
{
    const AdminReply added = Admin("add-account", {{"device", kDeviceId}});
    ASSERT_TRUE(added.Ok()) << added.error;
    m_boxes.Answer(IDCANCEL); // no sync now

    EXPECT_EQ(Run(REQ_IDENTIFY), RunOutcome::Ok);

    EXPECT_EQ(Utf8ToUtf16(added.records[0].GetOr("device-key")), Store().Get(&_SETTINGS_DEF::QX_key));
    EXPECT_EQ(Utf8ToUtf16(added.records[0].GetOr("ukey")), Store().Get(&_SETTINGS_DEF::Ukey));
    EXPECT_EQ(Store().Get(&_SETTINGS_DEF::SettingsRettrived), 1);
    EXPECT_EQ(m_ui.wizards, 1);
}

TEST_F(RunnersOnServerTest, RefreshBringsTheOperatorsNewSettings)
{
    const AdminRecord account = RegisterByOperator();
    const AdminReply changed =
        Admin("set-settings", {{"user-id", account.GetOr("user-id")}, {"set", "Sync-Timeframe=0;7"}});
    ASSERT_TRUE(changed.Ok()) << changed.error;

    EXPECT_EQ(Run(REQ_REFRESH), RunOutcome::Ok);

    EXPECT_EQ(Store().Get(&_SETTINGS_DEF::Sync_Timeframe), u"0;7");
    // A handset with both keys needs no new ones: identification reports nothing of its own.
    ASSERT_EQ(m_ui.progress.size(), 2u);
    EXPECT_EQ(m_ui.progress[1].text, BrandingText(kTextOpeningSession));
    EXPECT_EQ(m_ui.progress[1].position, 5000);
}

TEST_F(RunnersOnServerTest, PushFromTheServerRunsTheRefresh)
{
    const AdminRecord account = RegisterByOperator();
    ASSERT_TRUE(Admin("set-device", {{"device", kDeviceId},
                                     {"push-address", "127.0.0.1"},
                                     {"push-port", std::to_string(m_watcher->Port())}})
                    .Ok());
    ASSERT_TRUE(
        Admin("set-settings", {{"user-id", account.GetOr("user-id")}, {"set", "Sync-Timeframe=1;28"}}).Ok());

    const AdminReply pushed = Admin("push", {{"device", kDeviceId}, {"command", "RetrieveSettings"}});
    ASSERT_TRUE(pushed.Ok()) << pushed.error;
    // The user-interface thread runs until the push's request has ended.
    EXPECT_TRUE(m_ui.Loop().RunUntil([this] { return !m_ui.ended.empty(); }, 20000));

    ASSERT_EQ(m_ui.ended.size(), 1u);
    EXPECT_EQ(m_ui.ended[0], std::make_pair(int{REQ_PUSH_COMMAND}, RunOutcome::Ok));
    EXPECT_EQ(Store().Get(&_SETTINGS_DEF::Sync_Timeframe), u"1;28");
}

TEST_F(RunnersOnServerTest, SettingsUploadReachesTheServer)
{
    const AdminRecord account = RegisterByOperator();
    Store().Set(&_SETTINGS_DEF::Sync_Sms, 1);
    Store().Set(&_SETTINGS_DEF::Sync_Period, 14);
    Store().SaveSettings();

    EXPECT_EQ(Run(REQ_STORE_SETTINGS), RunOutcome::Ok);

    const std::map<std::string, std::string> stored = AccountSettings(account.GetOr("user-id"));
    // Switches travel as words.
    EXPECT_EQ(stored.count("Sync-Sms") ? stored.at("Sync-Sms") : "", "true");
    EXPECT_EQ(stored.count("Sync-Period") ? stored.at("Sync-Period") : "", "14");
}

TEST_F(RunnersOnServerTest, ServerErrorIsShownByTheServerAndEndsTheUploadQuietly)
{
    RegisterByOperator();
    const AdminReply injected = Admin("inject", {{"command", "StoreSettings"},
                                                 {"error-code", "503"},
                                                 {"error-message", "The store is closed for maintenance"}});
    ASSERT_TRUE(injected.Ok()) << injected.error;
    std::vector<std::u16string> messages;
    m_ui.genericDialog = [&](GenericDlg& dialog) {
        messages.push_back(dialog.Message());
        dialog.PressOk();
    };

    EXPECT_EQ(Run(REQ_STORE_SETTINGS), RunOutcome::ServerError);

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(u"maintenance"), std::u16string::npos);
    EXPECT_TRUE(m_boxes.ShownBoxes().empty());
    EXPECT_FALSE(m_ui.mainWindowClosed);
}

TEST_F(RunnersOnServerTest, UnreachableServerIsAnError)
{
    RegisterByOperator();
    ASSERT_TRUE(m_server.Stop());

    EXPECT_EQ(Run(REQ_STORE_SETTINGS), RunOutcome::Error);

    ASSERT_EQ(m_boxes.ShownBoxes().size(), 1u);
    EXPECT_EQ(m_boxes.ShownBoxes()[0].text, BrandingText(kTextServerUnreachable));
}

} // namespace
