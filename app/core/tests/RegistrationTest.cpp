// Registration and identification with their follow-ups: the wizard, the upload of what it changed
// and the offer to synchronise.

#include "AppFixture.h"
#include "service/BrandingTexts.h"

namespace {

class RegistrationTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        // Each kind of file synchronised both ways or not at all, as the wizard writes them: a wizard
        // left as it opened changes nothing.
        Settings()->Sync_Direction_Video = Settings()->Sync_Video;
        Settings()->Sync_Direction_Audio = Settings()->Sync_Audio;
        Settings()->Sync_Direction_Other = Settings()->Sync_Other;
    }

    // The scripted server gives the keys during registration and the settings afterwards.
    void ServerRegisters()
    {
        m_calls->OnCall("RetrieveSmsFlow", [] {
            CReg_Api::GetInstanceReg()->Set(&_SETTINGS_DEF::Ukey, u"user-key");
            CReg_Api::GetInstanceReg()->Set(&_SETTINGS_DEF::QX_key, u"device-key");
        });
        m_calls->OnCall("SettingsRetrieveFlow",
                        [] { CReg_Api::GetInstanceReg()->Set(&_SETTINGS_DEF::SettingsRettrived, 1); });
    }

    void Register()
    {
        View().OnOperationRequest(REQ_REGISTER, nullptr);
        m_ui->RunPending();
    }
};

TEST_F(RegistrationTest, RegistrationThenWizardThenNoSync)
{
    Settings()->Retry_Number = 7;
    ServerRegisters();
    m_boxes->Answer(IDCANCEL); // text 188: no sync now

    Register();

    EXPECT_EQ(m_calls->Calls(),
              (std::vector<std::string>{"OpenGPRSConnection", "ConnectServer", "RetrieveSmsFlow",
                                        "SettingsRetrieveFlow", "DisconnectServer", "CloseGPRSConnection"}));
    ASSERT_EQ(m_ui->progress.size(), 2u);
    EXPECT_EQ(m_ui->progress[0].text, BrandingText(kTextIdentifying));
    EXPECT_EQ(m_ui->progress[1].text, BrandingText(kTextOpeningSession));
    EXPECT_EQ(m_ui->progress[1].position, 5000);
    EXPECT_EQ(m_ui->wizards, 1);
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{BrandingText(kTextSyncNow)});
    EXPECT_EQ(Settings()->Retry_Number, 0);
    EXPECT_EQ(View().LastOutcome(), RunOutcome::Ok);
    EXPECT_FALSE(m_ui->mainWindowClosed);
    ASSERT_FALSE(m_ui->lists.empty());
    EXPECT_EQ(m_ui->lists.back().size(), 6u);
}

TEST_F(RegistrationTest, WizardCancelledTellsTheUser)
{
    ServerRegisters();
    m_ui->wizard = [](CWizard&) { return false; };

    Register();

    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{BrandingText(kTextSetupCancelled)});
    EXPECT_EQ(m_calls->CountOf("StartNegotiation"), 0);
    EXPECT_FALSE(m_ui->mainWindowClosed);
}

TEST_F(RegistrationTest, WizardChangeIsUploadedThenSyncOffered)
{
    ServerRegisters();
    Settings()->Sync_Sms = 0;
    m_ui->wizard = [](CWizard& wizard) {
        wizard.SetTicked(CWizard::Box::Sms, true);
        return true;
    };
    m_boxes->Answer(IDOK); // text 188: sync now

    Register();

    EXPECT_EQ(m_calls->CountOf("SettingsStoreFlow"), 1);
    EXPECT_EQ(m_ui->waitDialogs, 3);
    CReg_Api::GetInstanceReg()->UpdateRegistry();
    EXPECT_EQ(Settings()->Sync_Sms, 1);
    // The sync after the wizard ran to its end.
    EXPECT_EQ(m_calls->CountOf("ContactsBackupFlow(Sync)"), 1);
    const std::vector<std::u16string> boxes = BoxTexts();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], BrandingText(kTextSyncNow));
    EXPECT_EQ(boxes[1], BrandingText(kTextSummarySync) + u" \r\n" + BrandingText(kTextCompleted));
    EXPECT_EQ(View().LastOutcome(), RunOutcome::Ok);
}

TEST_F(RegistrationTest, ServerWithoutSmsIdentifiesTheHandset)
{
    m_calls->Script("RetrieveSmsFlow", {RES_SETTINGS_REQUIRED});
    m_calls->OnCall("IdentifyDevice", [] {
        CReg_Api::GetInstanceReg()->Set(&_SETTINGS_DEF::Ukey, u"user-key");
        CReg_Api::GetInstanceReg()->Set(&_SETTINGS_DEF::QX_key, u"device-key");
    });
    m_calls->OnCall("SettingsRetrieveFlow",
                    [] { CReg_Api::GetInstanceReg()->Set(&_SETTINGS_DEF::SettingsRettrived, 1); });

    Register();

    EXPECT_EQ(m_calls->CountOf("IdentifyDevice"), 1);
    EXPECT_EQ(m_calls->CountOf("SettingsRetrieveFlow"), 1);
    EXPECT_EQ(m_ui->wizards, 1);
}

TEST_F(RegistrationTest, NoKeyAfterIdentificationEndsTheProgramSilently)
{
    m_calls->Script("RetrieveSmsFlow", {RES_SETTINGS_REQUIRED});

    Register();

    EXPECT_EQ(m_calls->CountOf("SettingsRetrieveFlow"), 0);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(m_ui->wizards, 0);
    EXPECT_TRUE(m_ui->mainWindowClosed);
    EXPECT_EQ(View().LastOutcome(), RunOutcome::Error);
}

TEST_F(RegistrationTest, FailedRegistrationTellsTheUserAndEndsTheProgram)
{
    m_calls->Script("RetrieveSmsFlow", {RES_ERROR});

    Register();

    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{BrandingText(kTextNotRegistered)});
    EXPECT_EQ(m_calls->CountOf("SettingsRetrieveFlow"), 0);
    EXPECT_EQ(m_calls->Calls().back(), "CloseGPRSConnection");
    EXPECT_TRUE(m_ui->mainWindowClosed);
    EXPECT_EQ(View().LastOutcome(), RunOutcome::Error);
}

TEST_F(RegistrationTest, RegistrationClearsSettingsRetrievedFirst)
{
    GiveKeys();
    m_calls->OnCall("RetrieveSmsFlow",
                    [] { EXPECT_EQ(CReg_Api::GetInstanceReg()->Get(&_SETTINGS_DEF::SettingsRettrived), 0); });
    m_calls->Script("SettingsRetrieveFlow", {RES_SERVER_ERROR});

    Register();

    // Keys but no settings: the program cannot work and ends.
    EXPECT_TRUE(m_ui->mainWindowClosed);
    EXPECT_EQ(View().LastOutcome(), RunOutcome::ServerError);
}

} // namespace
