// Start-up of the view: which request comes first for each state of the keys, and the rebuild of the
// operation list.

#include "AppFixture.h"
#include "core/CTesselApp.h"
#include "core/InfoTexts.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/Messages.h"

namespace {

class StartupTest : public AppFixture {};

struct KeyState {
    const char* name;
    const char16_t* userKey;
    const char16_t* deviceKey;
    int settingsRetrieved;
    const char* firstFlow; // the flow the first request starts; nullptr: the list is shown
};

TEST_F(StartupTest, FirstRequestFollowsTheKeys)
{
    const KeyState cases[] = {
        {"no keys", u"", u"", 1, "RetrieveSmsFlow"},
        {"device key only", u"", u"device-key", 1, "RetrieveSmsFlow"},
        {"user key only", u"user-key", u"", 1, "RetrieveSmsFlow"},
        {"keys, settings not retrieved", u"user-key", u"device-key", 0, "IdentifyDevice"},
        {"keys and settings", u"user-key", u"device-key", 1, nullptr},
    };
    for (const KeyState& state : cases) {
        SCOPED_TRACE(state.name);
        TearDown();
        SetUp();
        Settings()->Ukey = state.userKey;
        Settings()->QX_key = state.deviceKey;
        Settings()->SettingsRettrived = state.settingsRetrieved;
        // The first flow ends the program, so exactly one request runs.
        m_calls->Script("RetrieveSmsFlow", {RES_STOPPED});
        m_calls->Script("IdentifyDevice", {RES_STOPPED});

        View().InitialUpdate();
        m_ui->RunPending();

        if (state.firstFlow) {
            EXPECT_EQ(m_calls->CountOf(state.firstFlow), 1);
            EXPECT_TRUE(m_ui->mainWindowClosed);
        } else {
            EXPECT_TRUE(m_calls->Calls().empty());
            ASSERT_EQ(m_ui->lists.size(), 1u);
            EXPECT_EQ(m_ui->lists.back().size(), 6u);
        }
    }
}

TEST_F(StartupTest, WordCirOnlySetsTheWaitFlag)
{
    CTesselApp app;
    ASSERT_TRUE(app.InitInstance(*m_ui, *m_calls, true));
    EXPECT_EQ(TesselService::InitService()->IsWaitCIR(), 1);
    EXPECT_TRUE(m_calls->Calls().empty());
}

TEST_F(StartupTest, ListWithoutKeysDisablesEverythingAndAsksForRegistration)
{
    Settings()->QX_key = u"device-key"; // the user key is missing
    m_calls->Script("RetrieveSmsFlow", {RES_STOPPED});

    View().BuildOperationList();

    const _SETTINGS_DEF settings = CReg_Api::GetInstanceReg()->Snapshot();
    for (std::int32_t value : {settings.Enable_Settings, settings.Enable_Sync, settings.Enable_SyncCalendar,
                               settings.Enable_Backup, settings.Enable_Restore, settings.Enable_ManualUpload,
                               settings.Enable_ManualDownload})
        EXPECT_EQ(value, 0);
    // Saved, not only changed in memory.
    CReg_Api::GetInstanceReg()->UpdateRegistry();
    EXPECT_EQ(Settings()->Enable_Sync, 0);
    ASSERT_EQ(m_ui->lists.size(), 1u);
    EXPECT_TRUE(m_ui->lists.back().empty());
    EXPECT_FALSE(m_ui->settingsEnabled);

    m_ui->RunPending();
    EXPECT_EQ(m_ui->started, std::vector<int>{REQ_REGISTER});
}

TEST_F(StartupTest, ListShowsEnabledOperationsInCodeOrder)
{
    GiveKeys();
    Settings()->Enable_Sync = 0;
    Settings()->Enable_ManualUpload = 0;
    Settings()->Enable_Settings = 0;
    // The last sync: 2007-03-04 05:06:07 UTC.
    const std::uint64_t lastSync = 128174583670000000ULL;
    std::uint32_t low = static_cast<std::uint32_t>(lastSync);
    std::uint32_t high = static_cast<std::uint32_t>(lastSync >> 32);
    TesselService::InitService()->SummarySet(u"cal_sync_time_low", REG_TYPE_DWORD, &low, nullptr);
    TesselService::InitService()->SummarySet(u"cal_sync_time_high", REG_TYPE_DWORD, &high, nullptr);
    ScopedEnv zone("TZ", "UTC");

    View().BuildOperationList();

    ASSERT_EQ(m_ui->lists.size(), 1u);
    const std::vector<OperationRow>& rows = m_ui->lists.back();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].operation, OP_CALENDAR_SYNC);
    EXPECT_EQ(rows[0].icon, 171);
    EXPECT_EQ(rows[0].title, BrandingText(kTextCalendarSync));
    EXPECT_EQ(rows[0].subtitle, u"04-03-2007 05:06:07");
    EXPECT_EQ(rows[1].operation, OP_DOWNLOAD);
    EXPECT_EQ(rows[1].subtitle, BrandingText(kTextChooseFiles));
    EXPECT_EQ(rows[2].operation, OP_BACKUP);
    EXPECT_EQ(rows[2].title, BrandingText(kTextBackup));
    EXPECT_EQ(rows[3].operation, OP_RESTORE);
    EXPECT_EQ(rows[3].subtitle, BrandingText(kTextRestoreSubtitle));
    EXPECT_FALSE(m_ui->settingsEnabled);
}

TEST_F(StartupTest, SyncRowShowsTimeOnlyWithBothHalves)
{
    GiveKeys();
    std::uint32_t low = 12345;
    TesselService::InitService()->SummarySet(u"sync_time_low", REG_TYPE_DWORD, &low, nullptr);

    View().BuildOperationList();

    ASSERT_FALSE(m_ui->lists.back().empty());
    EXPECT_EQ(m_ui->lists.back()[0].subtitle, BrandingText(kTextNotSynchronised));
}

TEST_F(StartupTest, AllOperationsDisabledGiveAnEmptyList)
{
    GiveKeys();
    for (const OperationInfo& operation : OperationTable())
        CReg_Api::GetInstanceReg()->Set(operation.enabled, 0);

    View().BuildOperationList();

    ASSERT_EQ(m_ui->lists.size(), 1u);
    EXPECT_TRUE(m_ui->lists.back().empty());
    m_ui->RunPending();
    EXPECT_TRUE(m_ui->started.empty());
}

TEST_F(StartupTest, SummaryHelpAndAboutViews)
{
    GiveKeys();
    View().OnSummary();
    View().OnHelp();
    View().OnAbout();
    ASSERT_EQ(m_ui->viewers.size(), 2u);
    EXPECT_EQ(m_ui->viewers[0].title, BrandingText(kTextViewSummary));
    EXPECT_EQ(m_ui->viewers[0].body, BrandingText(kTextNotSynchronised));
    EXPECT_EQ(m_ui->viewers[1].title, BrandingText(kTextHelp));
    EXPECT_EQ(m_ui->viewers[1].body, BrandingText(kTextHelpBody));
    EXPECT_EQ(m_ui->about, AboutText(ProgramPath()));
}

} // namespace
