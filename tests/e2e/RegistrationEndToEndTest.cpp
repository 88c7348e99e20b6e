// A handset without keys gets them from the server: by registering its number (the SMS through the
// server's gateway, the keys by the server's signed push), or by naming its account to
// "IdentifyDevice" (the device key in the answer or by push).

#include "EndToEndFixture.h"

#include "service/Messages.h"
#include "service/PushMessage.h"

namespace {

class RegistrationEndToEndTest : public EndToEndTest {};

TEST_F(RegistrationEndToEndTest, NewHandsetRegistersBySmsAndItsKeysArriveByPush)
{
    m_user.Answer(IDOK); // the user agrees to the registration SMS
    ASSERT_EQ(RunOnWorker([&] { return m_service->RetrieveSmsFlow(Window()); }), RES_OK);

    // The server made an account for the handset and pushed its keys; the handset saved them.
    const AdminRecord device = Device();
    ASSERT_EQ(device.GetOr("registered"), "true");
    const std::string userId = device.GetOr("user-id");
    EXPECT_EQ(StoredText(u"QX-key"), Utf8ToUtf16(device.GetOr("device-key")));
    EXPECT_EQ(StoredText(u"Ukey"), Utf8ToUtf16(Account(userId).GetOr("ukey")));
    EXPECT_EQ(StoredText(u"UserId"), Utf8ToUtf16(userId));
    EXPECT_EQ(StoredNumber(u"Retry-Number"), 1u);
    EXPECT_EQ(device.GetOr("user-agent"), "Maker-Maker Phone/PocketPC/WindowsCE_5.1.1700");
    EXPECT_EQ(Commands(), (std::vector<std::string>{"InitDevice", "sms"}));
    ASSERT_EQ(m_user.ShownBoxes().size(), 1u) << "the user is asked once, before the SMS";
    EXPECT_EQ(m_user.ShownBoxes()[0].type, MB_OKCANCEL);

    // The push was read on the user-interface thread and told the application to refresh.
    ASSERT_TRUE(WaitForPushes(1));
    ASSERT_EQ(m_window->Pushes().size(), 1u);
    EXPECT_EQ(m_window->Pushes()[0].result, 1);
    EXPECT_EQ(m_window->Pushes()[0].info.command, CIR_RETRIEVE_SETTINGS);

    // With those keys a whole session goes through.
    EXPECT_EQ(RunSession(u"Sync"), RES_OK);
    const AdminRecord after = Device();
    EXPECT_EQ(after.GetOr("session-state"), "completed");
    EXPECT_EQ(after.GetOr("session-operation"), "Sync:Contacts;Calendar;");
}

TEST_F(RegistrationEndToEndTest, HandsetThatLostItsKeysGetsItsAccountBack)
{
    const AdminRecord account = RegisterByOperator();
    // As after a new installation: the keys are gone.
    CReg_Api& settings = *CReg_Api::GetInstanceReg();
    settings.Set(&_SETTINGS_DEF::Ukey, u"");
    settings.Set(&_SETTINGS_DEF::QX_key, u"");
    settings.Set(&_SETTINGS_DEF::UserId, u"");
    settings.SaveSettings();

    m_user.Answer(IDOK);
    ASSERT_EQ(RunOnWorker([&] { return m_service->RetrieveSmsFlow(Window()); }), RES_OK);
    EXPECT_EQ(StoredText(u"QX-key"), Utf8ToUtf16(account.GetOr("device-key")));
    EXPECT_EQ(StoredText(u"Ukey"), Utf8ToUtf16(account.GetOr("ukey")));
    EXPECT_EQ(StoredText(u"UserId"), Utf8ToUtf16(account.GetOr("user-id")));
    const AdminReply accounts = Admin("list-accounts");
    EXPECT_EQ(accounts.records.size(), 1u) << "no second account";
    EXPECT_EQ(RunSession(u"Restore"), RES_OK);
}

TEST_F(RegistrationEndToEndTest, RefusedSmsMakesTheServerGiveUpOnIt)
{
    m_user.Answer(IDCANCEL);
    EXPECT_EQ(m_service->RetrieveSmsFlow(Window()), RES_SETTINGS_REQUIRED);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"InitDevice", "InitDevice"})) << "no SMS";
    const std::vector<AdminRecord> log = RequestLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(LoggedHeader(log[0], "QX-RetryNumber"), "0");
    EXPECT_EQ(LoggedHeader(log[1], "QX-RetryNumber"), "100");
    EXPECT_EQ(Device().GetOr("registered"), "false");
    EXPECT_EQ(StoredNumber(u"Retry-Number"), 100u);
    EXPECT_FALSE(CReg_Api::GetInstanceReg()->HasKeys());
}

// A handset that names its account by user id and password.
class IdentifyEndToEndTest : public EndToEndTest {
protected:
    void NameTheAccount()
    {
        Settings()->UserId = u"alice";
        Settings()->Password = u"sesame";
    }

    // Identification from nothing: the keys the server holds for the handset end up saved, whichever
    // way the device key travelled, and a session goes through with them.
    void IdentifyAndUseTheKeys(bool keyByPush)
    {
        int alreadyIdentified = -1;
        ASSERT_EQ(m_service->IdentifyDevice(Window(), alreadyIdentified), RES_OK);
        EXPECT_EQ(alreadyIdentified, 0);

        const AdminRecord device = Device();
        ASSERT_EQ(device.GetOr("user-id"), "alice");
        // Saved, as the next start of the program finds them.
        EXPECT_EQ(StoredText(u"QX-key"), Utf8ToUtf16(device.GetOr("device-key")));
        EXPECT_EQ(StoredText(u"Ukey"), Utf8ToUtf16(Account("alice").GetOr("ukey")));
        EXPECT_EQ(StoredText(u"UserId"), u"alice");
        if (keyByPush) {
            ASSERT_TRUE(WaitForPushes(1));
            ASSERT_EQ(m_window->Pushes().size(), 1u);
            // A key delivery only wakes the waiting identification: nothing for the application to do.
            EXPECT_EQ(m_window->Pushes()[0].result, 0);
            EXPECT_EQ(m_window->Pushes()[0].info.command, CIR_KEY);
        } else {
            EXPECT_TRUE(m_window->Pushes().empty());
        }

        EXPECT_EQ(RunSession(u"Backup"), RES_OK);
        EXPECT_EQ(Device().GetOr("session-state"), "completed");
        // Identified once, the handset does not ask again.
        const std::size_t requests = RequestLog().size();
        EXPECT_EQ(m_service->IdentifyDevice(Window(), alreadyIdentified), RES_OK);
        EXPECT_EQ(alreadyIdentified, 1);
        EXPECT_EQ(RequestLog().size(), requests);
    }
};

TEST_F(IdentifyEndToEndTest, DeviceKeyInTheAnswer)
{
    ASSERT_TRUE(Admin("add-account", {{"user-id", "alice"}, {"password", "sesame"}}).Ok());
    NameTheAccount();
    IdentifyAndUseTheKeys(false);
}

TEST_F(IdentifyEndToEndTest, DeviceKeyByPushAsTheOperatorSetForTheHandset)
{
    ASSERT_TRUE(
        Admin("add-account",
              {{"user-id", "alice"}, {"password", "sesame"}, {"device", kDeviceId}, {"key-delivery", "push"}})
            .Ok());
    NameTheAccount();
    IdentifyAndUseTheKeys(true);
}

class IdentifyByPushEndToEndTest : public IdentifyEndToEndTest {
protected:
    std::vector<std::string> ServerOptions() const override { return {"--key-delivery", "push"}; }
};

TEST_F(IdentifyByPushEndToEndTest, DeviceKeyByPushAsTheServerDeliversKeys)
{
    ASSERT_TRUE(Admin("add-account", {{"user-id", "alice"}, {"password", "sesame"}}).Ok());
    NameTheAccount();
    IdentifyAndUseTheKeys(true);
}

TEST_F(IdentifyEndToEndTest, UserIdTypedIntoTheServersDialog)
{
    ASSERT_TRUE(Admin("add-account", {{"user-id", "alice"}, {"password", "sesame"}}).Ok());
    ASSERT_TRUE(Admin("queue-dialog", {{"command", "IdentifyDevice"},
                                       {"device", kDeviceId},
                                       {"message", "Your user id, please"},
                                       {"input-name", "user-id"},
                                       {"yes-label", "OK"},
                                       {"yes-action", "InputIdentifyDevice"},
                                       {"no-label", "Cancel"},
                                       {"no-action", "Exit"}})
                    .Ok());
    Settings()->Password = u"sesame";
    m_window->Script(DialogAnswer::Yes(u"alice"));
    IdentifyAndUseTheKeys(false);
    const std::vector<std::string> commands = Commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[0], "IdentifyDevice");
    EXPECT_EQ(commands[1], "IdentifyDevice") << "asked again with the user id";
}

TEST_F(IdentifyEndToEndTest, WrongPasswordGetsNoKeys)
{
    ASSERT_TRUE(Admin("add-account", {{"user-id", "alice"}, {"password", "sesame"}}).Ok());
    Settings()->UserId = u"alice";
    Settings()->Password = u"guess";
    int alreadyIdentified = -1;
    EXPECT_EQ(m_service->IdentifyDevice(Window(), alreadyIdentified), RES_SERVER_ERROR);
    EXPECT_EQ(alreadyIdentified, 0);
    EXPECT_TRUE(Settings()->QX_key.empty());
    ASSERT_EQ(m_window->Shown().size(), 1u);
    EXPECT_EQ(m_window->Shown()[0].message, u"The password is wrong.");
}

} // namespace
