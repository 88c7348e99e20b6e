// The Sync, Calendar sync, Backup and Restore runners through the dispatcher, against scripted
// service calls: which settings select which flows, the order and arguments of the calls, progress,
// summary values, the final message, and where a failing step ends the runner.

#include "AppFixture.h"
#include "service/BrandingTexts.h"

namespace {

constexpr int kRowSync = 0;
constexpr int kRowCalendarSync = 1;
constexpr int kRowBackup = 4;
constexpr int kRowRestore = 5;

std::u16string Done(int text)
{
    return BrandingText(text) + u" \r\n" + BrandingText(kTextCompleted);
}

class DataRunnersTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        GiveKeys();
        Select({});
        // The summary outlives a case of a table.
        for (const char16_t* name : {u"sync_time_low", u"cal_sync_time_low", u"transaction_success"}) {
            std::uint32_t zero = 0;
            TesselService::InitService()->SummarySet(name, REG_TYPE_DWORD, &zero, nullptr);
        }
    }

    struct Kinds {
        bool contacts = false;
        bool sms = false;
        bool calendar = false;
        bool images = false;     // uploaded
        bool imagesBack = false; // brought back
    };

    static void Select(const Kinds& kinds)
    {
        const CReg_Api::LockedSettings locked = Settings();
        _SETTINGS_DEF& settings = *locked;
        settings.Sync_Contacts = kinds.contacts;
        settings.Sync_Sms = kinds.sms;
        settings.Sync_Events = kinds.calendar;
        settings.Sync_Images = kinds.images;
        settings.Sync_Video = settings.Sync_Audio = settings.Sync_Other = 0;
        settings.Sync_Direction_Images = kinds.imagesBack;
        settings.Sync_Direction_Video = settings.Sync_Direction_Audio = settings.Sync_Direction_Other = 0;
    }

    // Runs the operation of a row of the full list, answering its question with Yes.
    void RunRow(int row)
    {
        View().BuildOperationList();
        ASSERT_EQ(View().Rows().size(), 6u);
        View().SelectRow(row);
        if (row == kRowSync || row == kRowRestore)
            m_boxes->Answer(IDYES);
        View().OnOperationRequest(REQ_ROW_ACTIVATED, nullptr);
        m_ui->RunPending();
    }

    // The calls inside the session bracket.
    std::vector<std::string> Inside() const
    {
        std::vector<std::string> calls = m_calls->Calls();
        if (calls.size() >= 4)
            return std::vector<std::string>(calls.begin() + 2, calls.end() - 2);
        return {};
    }

    // The boxes after the dispatcher's question.
    std::vector<CScriptedUiPort::Shown> EndBoxes(int row) const
    {
        std::vector<CScriptedUiPort::Shown> boxes = m_boxes->ShownBoxes();
        if ((row == kRowSync || row == kRowRestore) && !boxes.empty())
            boxes.erase(boxes.begin());
        return boxes;
    }

    static std::uint32_t Summary(std::u16string_view name)
    {
        std::uint32_t value = 0;
        TesselService::InitService()->SummaryGetMsg(name, REG_TYPE_DWORD, &value, nullptr);
        return value;
    }
};

TEST_F(DataRunnersTest, SettingsSelectTheFlowsInTheirOrder)
{
    const std::vector<std::string> opening = {"StartNegotiation", "CompleteNegotiation"};
    const auto with = [&](std::vector<std::string> steps) {
        std::vector<std::string> calls = opening;
        calls.insert(calls.end(), steps.begin(), steps.end());
        calls.push_back("CompleteSession");
        return calls;
    };
    struct Case {
        const char* name;
        int row;
        Kinds kinds;
        std::vector<std::string> calls;
        std::string negotiation;
        std::uint32_t transaction;
        std::u16string message;
        bool calendarTime;
    };
    const Case cases[] = {
        {"sync of contacts and calendar",
         kRowSync,
         {.contacts = true, .calendar = true},
         with({"ContactsBackupFlow(Sync)", "ContactsRestoreFlow(Sync)", "AppointmentBackupFlow(Sync)",
               "AppointmentRestoreFlow(Sync)", "TaskBackupFlow(Sync)", "TaskRestoreFlow(Sync)"}),
         "Sync 1 0 1 0 0",
         10,
         Done(kTextSummarySync),
         true},
        {"sync of images, sent only",
         kRowSync,
         {.images = true},
         with({"FilesGetList(1 0 0 0)", "FilesListFlow(List 1)", "FilesUploadFromList(1)"}),
         "Sync 0 0 0 1 0",
         10,
         Done(kTextSummarySync),
         false},
        {"sync of SMS, images both ways",
         kRowSync,
         {.sms = true, .images = true, .imagesBack = true},
         with({"SmsBackupFlow(Sync)", "SmsRestoreFlow(Sync)", "FilesGetList(1 0 0 0)", "FilesListFlow(List 1)",
               "FilesUploadFromList(1)", "FilesListFlow(ListNew 0)", "FilesDownloadFromList(0 0)"}),
         "Sync 0 1 0 1 0",
         10,
         Done(kTextSummarySync),
         false},
        {"calendar sync whatever is selected",
         kRowCalendarSync,
         {.contacts = true},
         with({"AppointmentBackupFlow(Sync)", "AppointmentRestoreFlow(Sync)", "TaskBackupFlow(Sync)",
               "TaskRestoreFlow(Sync)"}),
         "Sync 0 0 1 0 0",
         11,
         Done(kTextSummaryCalendarSync),
         true},
        {"backup",
         kRowBackup,
         {.contacts = true, .sms = true, .calendar = true, .images = true, .imagesBack = true},
         with({"ContactsBackupFlow(Backup)", "SmsBackupFlow(Backup)", "AppointmentBackupFlow(Backup)",
               "TaskBackupFlow(Backup)", "FilesGetList(1 0 0 0)", "FilesListFlow(List 1)", "FilesUploadFromList(1)"}),
         "Backup 1 1 1 1 0",
         14,
         Done(kTextBackup),
         false},
        {"restore, tasks before appointments",
         kRowRestore,
         {.contacts = true, .sms = true, .calendar = true, .imagesBack = true},
         with({"ContactsRestoreFlow(Restore)", "SmsRestoreFlow(Restore)", "TaskRestoreFlow(Restore)",
               "AppointmentRestoreFlow(Restore)", "FilesListFlow(ListDevice 0)", "FilesDownloadFromList(0 0)"}),
         "Restore 1 1 1 1 0",
         15,
         Done(kTextRestore),
         false},
        {"restore counts only media brought back",
         kRowRestore,
         {.images = true},
         {},
         "",
         15,
         BrandingText(kTextNothingToTransfer),
         false},
        {"backup of nothing", kRowBackup, {}, {}, "", 14, BrandingText(kTextNothingToTransfer), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        Select(c.kinds);

        RunRow(c.row);

        EXPECT_EQ(Inside(), c.calls);
        EXPECT_EQ(m_calls->Negotiations(), c.negotiation.empty() ? std::vector<std::string>{}
                                                                 : std::vector<std::string>{c.negotiation});
        const std::vector<CScriptedUiPort::Shown> boxes = EndBoxes(c.row);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].caption, BrandingText(kTextOperationEnd));
        EXPECT_EQ(boxes[0].owner, View().Handle());
        EXPECT_EQ(Summary(u"transaction"), c.transaction);
        EXPECT_EQ(Summary(u"transaction_success"), c.calls.empty() ? 0u : 1u);
        EXPECT_EQ(Summary(u"sync_time_low") != 0, c.row == kRowSync);
        EXPECT_EQ(Summary(u"cal_sync_time_low") != 0, c.calendarTime);
        EXPECT_EQ(View().LastOutcome(), c.calls.empty() ? RunOutcome::Error : RunOutcome::Ok);
    }
}

TEST_F(DataRunnersTest, SyncReportsEachStep)
{
    Select({.contacts = true, .sms = true, .calendar = true});
    RunRow(kRowSync);

    std::vector<std::pair<std::u16string, int>> progress;
    for (const CScriptedAppUi::Progress& report : m_ui->progress)
        progress.emplace_back(report.text, report.position / 100);
    const std::vector<std::pair<std::u16string, int>> expected = {
        {BrandingText(kTextConnecting), 20},
        {BrandingText(kTextOpeningSession), 60},
        {BrandingText(kTextSendingContacts), 0},
        {BrandingText(kTextReceivingContacts), 50},
        {BrandingText(kTextSendingMessages), 0},
        {BrandingText(kTextReceivingMessages), 50},
        {BrandingText(kTextSendingAppointments), 10},
        {BrandingText(kTextReceivingAppointments), 50},
        {BrandingText(kTextSendingTasks), 10},
        {BrandingText(kTextReceivingTasks), 50},
    };
    EXPECT_EQ(progress, expected);
}

TEST_F(DataRunnersTest, AStepEndsTheRunnerByTheResultConvention)
{
    struct Case {
        const char* call;
        RETURNED_RES result;
        int errorText; // 0: no box
        RunOutcome outcome;
    };
    const Case cases[] = {
        {"StartNegotiation", RES_ERROR, kTextServerUnreachable, RunOutcome::Error},
        {"ConfigVersionFlow", RES_ERROR, kTextConfigurationNotReceived, RunOutcome::Error},
        {"CompleteNegotiation", RES_ERROR, kTextOperationRefused, RunOutcome::Error},
        {"ContactsBackupFlow(Sync)", RES_ERROR, kTextContactsBackupFailed, RunOutcome::Error},
        {"ContactsRestoreFlow(Sync)", RES_SERVER_ERROR, 0, RunOutcome::ServerError},
        {"SmsBackupFlow(Sync)", RES_ERROR, kTextMessagesBackupFailed, RunOutcome::Error},
        {"SmsRestoreFlow(Sync)", RES_ERROR, kTextMessagesRestoreFailed, RunOutcome::Error},
        {"AppointmentBackupFlow(Sync)", RES_ERROR, kTextAppointmentsBackupFailed, RunOutcome::Error},
        {"AppointmentRestoreFlow(Sync)", RES_ERROR, kTextRestoreFailed, RunOutcome::Error},
        {"TaskBackupFlow(Sync)", RES_ERROR, kTextTasksBackupFailed, RunOutcome::Error},
        {"TaskRestoreFlow(Sync)", RES_STOPPED, 0, RunOutcome::ServerStopped},
        {"FilesGetList(1 0 0 0)", RES_ERROR, kTextDeviceFilesNotListed, RunOutcome::Error},
        {"FilesListFlow(List 1)", RES_ERROR, kTextFileListNotExchanged, RunOutcome::Error},
        {"FilesUploadFromList(1)", RES_ERROR, kTextFilesNotTransferred, RunOutcome::Error},
        {"FilesListFlow(ListNew 0)", RES_ERROR, kTextServerFilesNotListed, RunOutcome::Error},
        {"FilesDownloadFromList(0 0)", RES_ERROR, kTextFilesNotDownloaded, RunOutcome::Error},
        {"CompleteSession", RES_ERROR, 54, RunOutcome::Error},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        TearDown();
        SetUp();
        Select({.contacts = true, .sms = true, .calendar = true, .images = true, .imagesBack = true});
        // The server asks for its settings first.
        m_calls->Script("StartNegotiation",
                        {std::string(c.call) == "StartNegotiation" ? c.result : RES_SETTINGS_REQUIRED});
        m_calls->Script(c.call, {c.result});

        RunRow(kRowSync);

        const std::vector<std::string> calls = Inside();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back(), c.call) << "nothing after the failed step";
        std::vector<std::u16string> texts;
        for (const CScriptedUiPort::Shown& box : EndBoxes(kRowSync))
            texts.push_back(box.text);
        EXPECT_EQ(texts, c.errorText ? std::vector<std::u16string>{BrandingText(c.errorText)}
                                     : std::vector<std::u16string>{});
        EXPECT_EQ(Summary(u"transaction_success"), 0u);
        EXPECT_EQ(View().LastOutcome(), c.outcome);
        EXPECT_EQ(View().HasShutDown(), c.result == RES_STOPPED);
    }
}

TEST_F(DataRunnersTest, EmptyPhoneWhoseUserWantsItsContactsBackRestoresThemAll)
{
    Select({.contacts = true});
    m_calls->Script("ContactsBackupFlow(Sync)", {RES_USER_CONFIRMED});

    RunRow(kRowSync);

    EXPECT_EQ(Inside(),
              (std::vector<std::string>{"StartNegotiation", "CompleteNegotiation", "ContactsBackupFlow(Sync)",
                                        "ContactsRestoreFlow(Restore)", "CompleteSession"}));
}

} // namespace
