// The dispatcher: the session bracket around each runner, the result convention, questions, the
// request queue and the push hand-over.

#include "AppFixture.h"
#include "service/BrandingTexts.h"
#include "testing/Eventually.h"
#include "service/Messages.h"
#include "service/UI_Sync.h"

namespace {

class DispatcherTest : public AppFixture {
protected:
    // A registered handset whose list shows every operation.
    void SetUp() override
    {
        AppFixture::SetUp();
        GiveKeys();
        View().BuildOperationList();
    }

    void Request(int request, const std::uint32_t* push = nullptr)
    {
        View().OnOperationRequest(request, push);
        m_ui->RunPending();
    }

    std::vector<std::string> Bracket(std::vector<std::string> inside)
    {
        std::vector<std::string> calls = {"OpenGPRSConnection", "ConnectServer"};
        calls.insert(calls.end(), inside.begin(), inside.end());
        calls.insert(calls.end(), {"DisconnectServer", "CloseGPRSConnection"});
        return calls;
    }
};

TEST_F(DispatcherTest, TapWithoutSelectedRowDoesNothing)
{
    View().SelectRow(-1);
    Request(REQ_ROW_ACTIVATED);
    EXPECT_TRUE(m_calls->Calls().empty());
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(DispatcherTest, NoToTheQuestionOpensNoConnection)
{
    struct Case {
        OperationCode operation;
        int question;
    };
    for (const Case& question : {Case{OP_SYNC, kTextSyncQuestion}, Case{OP_RESTORE, kTextRestoreQuestion}}) {
        SCOPED_TRACE(question.question);
        const int row = question.operation == OP_SYNC ? 0 : 5;
        ASSERT_EQ(View().Rows()[row].operation, question.operation);
        View().SelectRow(row);
        m_boxes->Answer(IDNO);
        Request(REQ_ROW_TAPPED);
        EXPECT_TRUE(m_calls->Calls().empty());
        ASSERT_FALSE(m_boxes->ShownBoxes().empty());
        const CScriptedUiPort::Shown box = m_boxes->ShownBoxes().back();
        EXPECT_EQ(box.text, BrandingText(question.question));
        EXPECT_EQ(box.caption, BrandingText(kTextQuestionCaption));
        EXPECT_EQ(box.type, static_cast<unsigned>(MB_YESNO));
        EXPECT_EQ(View().LastOutcome(), RunOutcome::NotRun);
    }
}

TEST_F(DispatcherTest, SettingsUploadRunsInsideTheBracketWithItsProgress)
{
    Request(REQ_STORE_SETTINGS);

    EXPECT_EQ(m_calls->Calls(),
              Bracket({"StartNegotiation", "CompleteNegotiation", "SettingsStoreFlow", "CompleteSession"}));
    ASSERT_EQ(m_ui->progress.size(), 3u);
    EXPECT_EQ(m_ui->progress[0].text, BrandingText(kTextConnecting));
    EXPECT_EQ(m_ui->progress[0].position, 2000);
    EXPECT_EQ(m_ui->progress[1].text, BrandingText(kTextOpeningSession));
    EXPECT_EQ(m_ui->progress[1].position, 4000);
    EXPECT_EQ(m_ui->progress[2].text, BrandingText(kTextSendingSettings));
    EXPECT_EQ(m_ui->progress[2].position, 6000);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(View().LastOutcome(), RunOutcome::Ok);
    EXPECT_FALSE(View().IsBusy());
    // The list is rebuilt after the session.
    EXPECT_EQ(m_ui->lists.size(), 2u);
}

TEST_F(DispatcherTest, UploadTakesSettingsRequiredAsSuccess)
{
    m_calls->Script("StartNegotiation", {RES_SETTINGS_REQUIRED});
    Request(REQ_STORE_SETTINGS);
    EXPECT_EQ(m_calls->CountOf("CompleteSession"), 1);
    EXPECT_EQ(View().LastOutcome(), RunOutcome::Ok);
}

// Each step of the upload, and what each result at that step does.
TEST_F(DispatcherTest, ResultConventionAtEveryUploadStep)
{
    struct Step {
        const char* call;
        int errorText;
    };
    const Step steps[] = {{"StartNegotiation", kTextServerUnreachable},
                          {"CompleteNegotiation", kTextOperationRefused},
                          {"SettingsStoreFlow", kTextSettingsNotSent},
                          {"CompleteSession", kTextSessionNotCompleted}};
    struct Result {
        RETURNED_RES result;
        RunOutcome outcome;
        bool box;
    };
    // A command that was never answered (a server dialog asked for it again) is no success.
    const Result results[] = {
        {RES_ERROR, RunOutcome::Error, true},
        {RES_SERVER_ERROR, RunOutcome::ServerError, false},
        {RES_REPEAT, RunOutcome::Error, true},
    };
    for (const Step& step : steps) {
        for (const Result& result : results) {
            SCOPED_TRACE(std::string(step.call) + " " + std::to_string(result.result));
            TearDown();
            SetUp();
            m_calls->Script(step.call, {result.result});
            Request(REQ_STORE_SETTINGS);

            const std::vector<std::string> calls = m_calls->Calls();
            // Nothing after the failed step but the closing of the connections, and of the server's
            // session when a command inside it was never answered.
            const auto failed = std::find(calls.begin(), calls.end(), step.call);
            ASSERT_NE(failed, calls.end());
            std::vector<std::string> after = {"DisconnectServer", "CloseGPRSConnection"};
            const std::string_view call = step.call;
            if (result.result == RES_REPEAT && (call == "CompleteNegotiation" || call == "SettingsStoreFlow"))
                after.insert(after.begin(), "CompleteSession");
            EXPECT_EQ(std::vector<std::string>(failed + 1, calls.end()), after);
            EXPECT_EQ(View().LastOutcome(), result.outcome);
            EXPECT_EQ(BoxTexts(), result.box ? std::vector<std::u16string>{BrandingText(step.errorText)}
                                             : std::vector<std::u16string>{});
            EXPECT_FALSE(m_ui->mainWindowClosed);
            EXPECT_EQ(m_ui->lists.size(), 2u);
        }
    }
}

TEST_F(DispatcherTest, StoppedResultEndsTheProgramAfterTheSessionIsClosed)
{
    struct Case {
        int request;
        const char* call;
    };
    const Case cases[] = {
        {REQ_REGISTER, "RetrieveSmsFlow"},         {REQ_REGISTER, "SettingsRetrieveFlow"},
        {REQ_IDENTIFY, "IdentifyDevice"},          {REQ_IDENTIFY, "SettingsRetrieveFlow"},
        {REQ_REFRESH, "IdentifyDevice"},           {REQ_REFRESH, "SettingsRetrieveFlow"},
        {REQ_STORE_SETTINGS, "StartNegotiation"},  {REQ_STORE_SETTINGS, "CompleteNegotiation"},
        {REQ_STORE_SETTINGS, "SettingsStoreFlow"}, {REQ_STORE_SETTINGS, "CompleteSession"},
    };
    for (const Case& stopped : cases) {
        SCOPED_TRACE(std::to_string(stopped.request) + " " + stopped.call);
        TearDown();
        SetUp();
        m_calls->Script(stopped.call, {RES_STOPPED});
        Request(stopped.request);

        const std::vector<std::string> calls = m_calls->Calls();
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[calls.size() - 2], "DisconnectServer");
        EXPECT_EQ(calls.back(), "CloseGPRSConnection");
        EXPECT_TRUE(m_ui->mainWindowClosed);
        EXPECT_TRUE(View().HasShutDown());
        EXPECT_EQ(View().LastOutcome(), RunOutcome::ServerStopped);
        // Nothing follows a stopped identification or registration either.
        EXPECT_TRUE(BoxTexts().empty());
        EXPECT_EQ(m_ui->wizards, 0);
        // The list is not rebuilt for a program that ends.
        EXPECT_EQ(m_ui->lists.size(), 1u);
    }
}

TEST_F(DispatcherTest, StopKeyEndsTheRunnerSilently)
{
    m_calls->OnCall("CompleteNegotiation", [] { UI_Sync::GetInstanceUISync()->SetStop(true); });
    Request(REQ_STORE_SETTINGS);
    EXPECT_EQ(m_calls->Calls(), Bracket({"StartNegotiation", "CompleteNegotiation", "CompleteSession"}))
        << "a stop inside the session sends nothing more than its closing";
    EXPECT_EQ(View().LastOutcome(), RunOutcome::Stopped);

    TearDown();
    SetUp();
    m_ui->onProgress = [](CWaitDlg& dialog) {
        if (dialog.Position() == 2000)
            dialog.Stop();
    };
    Request(REQ_STORE_SETTINGS);

    EXPECT_EQ(m_calls->Calls(), Bracket({"StartNegotiation"}));
    EXPECT_EQ(View().LastOutcome(), RunOutcome::Stopped);
    EXPECT_TRUE(BoxTexts().empty());
    ASSERT_EQ(m_ui->progress.size(), 2u);
    EXPECT_EQ(m_ui->progress[1].text, BrandingText(kTextStopping));
    EXPECT_EQ(m_ui->progress[1].position, 10000);
    EXPECT_FALSE(m_ui->mainWindowClosed);
}

TEST_F(DispatcherTest, WithoutDataConnectionNothingRuns)
{
    m_calls->connection = kNoConnection;
    m_calls->Script("StartNegotiation", {});
    Request(REQ_STORE_SETTINGS);

    EXPECT_EQ(m_calls->Calls(), std::vector<std::string>{"OpenGPRSConnection"});
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{BrandingText(kTextNoDataConnection)});
    EXPECT_FALSE(View().IsBusy());
    EXPECT_FALSE(m_ui->mainWindowClosed);
    EXPECT_EQ(View().LastOutcome(), RunOutcome::Error);
}

TEST_F(DispatcherTest, FailedServerConnectionEndsTheProgram)
{
    m_calls->connected = 0;
    Request(REQ_STORE_SETTINGS);

    EXPECT_EQ(m_calls->Calls(),
              (std::vector<std::string>{"OpenGPRSConnection", "ConnectServer", "CloseGPRSConnection"}));
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{BrandingText(kTextConnectionFailed)});
    EXPECT_TRUE(m_ui->mainWindowClosed);
}

TEST_F(DispatcherTest, RefreshWhileSettingsDialogIsOpenOnlyOpensAndClosesTheConnections)
{
    m_ui->settingsDialog = [this](CSynchronization&) {
        PostMessage(View().Handle(), WM_OPERATION_REQUEST, REQ_REFRESH, 0);
        m_ui->RunPending();
        return false;
    };
    View().OnSettings();

    EXPECT_EQ(m_calls->Calls(), Bracket({}));
    EXPECT_EQ(m_ui->waitDialogs, 0);
}

TEST_F(DispatcherTest, IdentificationWithoutKeyTellsTheUserAndEndsTheProgram)
{
    Settings()->QX_key.clear();
    Request(REQ_IDENTIFY);

    EXPECT_EQ(m_calls->Calls(), Bracket({"IdentifyDevice"}));
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{BrandingText(kTextNotConfirmedInTime)});
    EXPECT_TRUE(m_ui->mainWindowClosed);
    EXPECT_EQ(View().LastOutcome(), RunOutcome::Error);
}

TEST_F(DispatcherTest, TwoPushesWhileBusyOnlyTheLaterRuns)
{
    CIR_INFO backup;
    backup.command = CIR_BACKUP;
    CIR_INFO refresh;
    refresh.command = CIR_RETRIEVE_SETTINGS;
    m_calls->ScriptPush(1, backup);
    m_calls->ScriptPush(1, refresh);
    // While the first refresh runs, two pushes arrive on the user-interface thread.
    const HWND view = View().Handle();
    bool first = true;
    m_calls->OnCall("IdentifyDevice", [&, view] {
        if (!first)
            return;
        first = false;
        PostMessage(view, WM_PUSH, 0, 0);
        PostMessage(view, WM_PUSH, 0, 0);
        EXPECT_TRUE(Eventually([&] { return m_calls->CountOf("ProcessMessageCIR") == 2; }));
    });

    Request(REQ_REFRESH);

    EXPECT_EQ(m_ui->started, (std::vector<int>{REQ_REFRESH, REQ_PUSH_COMMAND}));
    // The Backup push was replaced: no final message box, and the second run is the refresh.
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(m_calls->CountOf("IdentifyDevice"), 2);
    EXPECT_EQ(m_calls->CountOf("SettingsRetrieveFlow"), 2);
}

TEST_F(DispatcherTest, KeyPushWhileIdleStartsIdentification)
{
    PushArrives(CIR_KEY, 0);
    EXPECT_EQ(m_ui->started, std::vector<int>{REQ_IDENTIFY});
}

TEST_F(DispatcherTest, PushWithoutCommandStartsNothing)
{
    PushArrives(CIR_SYNC, 0); // a command whose signature did not hold comes back with 0
    EXPECT_TRUE(m_ui->started.empty());
}

TEST_F(DispatcherTest, PushCommandsMapToTheirOperations)
{
    struct Case {
        std::uint32_t command;
        const char* firstFlow; // nullptr: nothing runs
        bool box;              // the operation's final message
        const char* negotiation;
    };
    const Case cases[] = {
        {CIR_SYNC, "StartNegotiation", true, "Sync 1 0 1 1 1"},
        {CIR_BACKUP, "StartNegotiation", true, "Backup 1 0 1 1 1"},
        {CIR_RESTORE, "StartNegotiation", true, "Restore 1 0 1 1 1"},
        {CIR_WIPEOUT, nullptr, false, nullptr},
        {CIR_RETRIEVE_SETTINGS, "IdentifyDevice", false, nullptr},
        {CIR_DOWNLOAD, nullptr, false, nullptr},
        {CIR_NONE, nullptr, false, nullptr},
    };
    for (const Case& push : cases) {
        SCOPED_TRACE(push.command);
        TearDown();
        SetUp();
        CIR_INFO info;
        info.command = push.command;
        m_calls->ScriptPush(1, info);
        View().OnPush();
        m_ui->RunPending();
        EXPECT_EQ(m_ui->started, std::vector<int>{REQ_PUSH_COMMAND});
        EXPECT_EQ(m_calls->CountOf("OpenGPRSConnection"), push.firstFlow ? 1 : 0);
        if (push.firstFlow) {
            EXPECT_EQ(m_calls->CountOf(push.firstFlow), 1);
        }
        EXPECT_EQ(BoxTexts().size(), push.box ? 1u : 0u);
        // Marked as started by the server.
        EXPECT_EQ(m_calls->Negotiations(), push.negotiation ? std::vector<std::string>{push.negotiation}
                                                            : std::vector<std::string>{});
    }
}

TEST_F(DispatcherTest, ServerDialogIsAnsweredAndTheFlowWokenUp)
{
    TesselService& service = *TesselService::InitService();
    service.m_dialog.Reset();
    service.m_dialog.yesLabel = u"Go";
    service.m_dialog.hasInput = 1;
    service.m_dialog.inputType = u"text";
    m_ui->genericDialog = [](GenericDlg& dialog) {
        dialog.SetTyped(u"Alice");
        dialog.PressLeft();
    };
    service.m_dialogAnswered->Reset();

    PostMessage(View().Handle(), WM_SHOW_SERVER_DIALOG, 0, 0);
    m_ui->RunPending();

    EXPECT_TRUE(service.m_dialogAnswered->IsSet());
    EXPECT_EQ(service.m_dialog.chosenButton, kButtonYes);
    EXPECT_EQ(service.m_dialog.inputValue, u"alice");
}

} // namespace
