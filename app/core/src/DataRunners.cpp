#include "core/DataRunners.h"

#include "core/Operations.h"
#include "core/RunnerSteps.h"
#include "platform/Clock.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "service/CReg_Api.h"
#include "service/TesselService.h"

#include <span>

namespace {

// "transaction" of each runner.
enum Transaction : std::uint32_t {
    kSyncTransaction = 10,
    kCalendarSyncTransaction = 11,
    kBackupTransaction = 14,
    kRestoreTransaction = 15,
};

using FlowCall = RETURNED_RES (CServiceCalls::*)(HWND, std::u16string_view);

// One PIM flow of a runner: its progress report, the flow, the error text of its failure.
struct FlowStep {
    int text;
    std::int32_t percent;
    FlowCall flow;
    int errorText;
};

constexpr FlowStep kCalendarSyncSteps[] = {
    {kTextSendingAppointments, 10, &CServiceCalls::AppointmentBackupFlow, kTextAppointmentsBackupFailed},
    {kTextReceivingAppointments, 50, &CServiceCalls::AppointmentRestoreFlow, kTextRestoreFailed},
    {kTextSendingTasks, 10, &CServiceCalls::TaskBackupFlow, kTextTasksBackupFailed},
    {kTextReceivingTasks, 50, &CServiceCalls::TaskRestoreFlow, kTextTasksRestoreFailed},
};
constexpr FlowStep kContactsBackupSteps[] = {
    {kTextSendingContacts, 10, &CServiceCalls::ContactsBackupFlow, kTextContactsBackupFailed},
};
constexpr FlowStep kCalendarBackupSteps[] = {
    {kTextSendingAppointments, 20, &CServiceCalls::AppointmentBackupFlow, kTextAppointmentsBackupFailed},
    {kTextSendingTasks, 60, &CServiceCalls::TaskBackupFlow, kTextTasksBackupFailed},
};
constexpr FlowStep kContactsRestoreSteps[] = {
    {kTextReceivingContacts, 10, &CServiceCalls::ContactsRestoreFlow, kTextRestoreFailed},
};
// Tasks come back before appointments.
constexpr FlowStep kCalendarRestoreSteps[] = {
    {kTextReceivingTasks, 10, &CServiceCalls::TaskRestoreFlow, kTextTasksRestoreFailed},
    {kTextReceivingAppointments, 10, &CServiceCalls::AppointmentRestoreFlow, kTextRestoreFailed},
};

// The data kinds a runner moves, as the settings select them.
struct Selection {
    bool contacts = false;
    bool sms = false;
    bool calendar = false;
    bool media = false;

    bool Any() const { return contacts || sms || calendar || media; }
};

// For Restore the media kinds are those brought back from the server, otherwise those uploaded.
Selection Selected(CRunContext& run, DataOperation operation)
{
    const _SETTINGS_DEF settings = run.Settings().Snapshot();
    Selection selection;
    selection.contacts = settings.Sync_Contacts != 0;
    selection.sms = settings.Sync_Sms != 0;
    selection.calendar = settings.Sync_Events != 0;
    selection.media =
        operation == DataOperation::Restore
            ? settings.Sync_Direction_Images || settings.Sync_Direction_Video ||
                  settings.Sync_Direction_Audio || settings.Sync_Direction_Other
            : settings.Sync_Images || settings.Sync_Video || settings.Sync_Audio || settings.Sync_Other;
    return selection;
}

// Written before any server call, so that a failed or stopped run shows as one in the summary.
FileTime WriteStartValues(Transaction transaction)
{
    TesselService& service = *TesselService::InitService();
    const FileTime now = WriteTransactionStart(service, transaction);
    if (transaction == kSyncTransaction)
        WriteSummaryTime(service, u"sync_time_low", u"sync_time_high", now);
    if (transaction == kCalendarSyncTransaction)
        WriteSummaryTime(service, u"cal_sync_time_low", u"cal_sync_time_high", now);
    return now;
}

// The session for `operation` with these kinds, after the settings when the server wants them first.
bool OpenSession(CRunContext& run, std::int32_t percent, std::u16string_view operation,
                 const Selection& kinds)
{
    if (!run.OpenSession(percent))
        return false;
    run.Progress(kTextOpeningSession, 60);
    return run.Check(run.Calls().CompleteNegotiation(operation, kinds.contacts, kinds.sms, kinds.calendar,
                                                     kinds.media, run.PushInitiated() ? 1 : 0),
                     kTextOperationRefused);
}

bool RunSteps(CRunContext& run, std::span<const FlowStep> steps, DataOperation operation)
{
    for (const FlowStep& step : steps) {
        run.Progress(step.text, step.percent);
        if (!run.Check((run.Calls().*step.flow)(run.Window(), ModeWord(operation)), step.errorText))
            return false;
    }
    return true;
}

// A phone without contacts whose user chose to restore them goes on with a full restore.
bool SyncContacts(CRunContext& run)
{
    CServiceCalls& calls = run.Calls();
    run.Progress(kTextSendingContacts, 0);
    const RETURNED_RES backedUp = calls.ContactsBackupFlow(run.Window(), u"Sync");
    if (!run.Check(backedUp, kTextContactsBackupFailed))
        return false;
    run.Progress(kTextReceivingContacts, 50);
    const std::u16string_view mode = backedUp == RES_USER_CONFIRMED ? u"Restore" : u"Sync";
    return run.Check(calls.ContactsRestoreFlow(run.Window(), mode), kTextRestoreFailed);
}

void CompleteSession(CRunContext& run, int doneText)
{
    if (!run.Check(run.Calls().CompleteSession(), kTextSessionNotCompleted))
        return;
    WriteTransactionSuccess(*TesselService::InitService());
    run.CloseAndTell(BrandingText(doneText) + u" \r\n" + BrandingText(kTextCompleted), RunOutcome::Ok);
}

// Backup and Restore: each selected kind moved one way, in the order of the kinds.
struct OneWay {
    Transaction transaction;
    DataOperation operation;
    std::span<const FlowStep> contacts;
    std::span<const FlowStep> calendar;
    int doneText;
};

constexpr OneWay kBackup{kBackupTransaction, DataOperation::Backup, kContactsBackupSteps,
                         kCalendarBackupSteps, kTextBackup};
constexpr OneWay kRestore{kRestoreTransaction, DataOperation::Restore, kContactsRestoreSteps,
                          kCalendarRestoreSteps, kTextRestore};

void RunOneWay(CRunContext& run, const OneWay& way)
{
    WriteStartValues(way.transaction);
    const Selection kinds = Selected(run, way.operation);
    if (!kinds.Any()) {
        run.CloseAndTell(BrandingText(kTextNothingToTransfer), RunOutcome::Error);
        return;
    }
    if (!OpenSession(run, 40, ModeWord(way.operation), kinds))
        return;
    if (kinds.contacts && !RunSteps(run, way.contacts, way.operation))
        return;
    if (kinds.sms && !SmsStep(run, way.operation))
        return;
    if (kinds.calendar && !RunSteps(run, way.calendar, way.operation))
        return;
    if (kinds.media && !MediaStep(run, way.operation))
        return;
    CompleteSession(run, way.doneText);
}

} // namespace

std::u16string_view ModeWord(DataOperation operation)
{
    switch (operation) {
    case DataOperation::Sync:
        return u"Sync";
    case DataOperation::Backup:
        return u"Backup";
    case DataOperation::Restore:
        return u"Restore";
    }
    return u"Sync";
}

void SyncRunner(CRunContext& run)
{
    const FileTime start = WriteStartValues(kSyncTransaction);
    const Selection kinds = Selected(run, DataOperation::Sync);
    if (!kinds.Any()) {
        run.Fail(kTextNothingToTransfer, CRunContext::BoxOrder::AfterClosing);
        return;
    }
    if (!OpenSession(run, 20, u"Sync", kinds))
        return;
    if (kinds.contacts && !SyncContacts(run))
        return;
    if (kinds.sms && !SmsStep(run, DataOperation::Sync))
        return;
    if (kinds.calendar) {
        WriteSummaryTime(*TesselService::InitService(), u"cal_sync_time_low", u"cal_sync_time_high", start);
        if (!RunSteps(run, kCalendarSyncSteps, DataOperation::Sync))
            return;
    }
    if (kinds.media && !MediaStep(run, DataOperation::Sync))
        return;
    CompleteSession(run, kTextSummarySync);
}

void CalendarSyncRunner(CRunContext& run)
{
    WriteStartValues(kCalendarSyncTransaction);
    if (!OpenSession(run, 20, u"Sync", Selection{.calendar = true}))
        return;
    if (!RunSteps(run, kCalendarSyncSteps, DataOperation::Sync))
        return;
    CompleteSession(run, kTextSummaryCalendarSync);
}

void BackupRunner(CRunContext& run)
{
    RunOneWay(run, kBackup);
}

void RestoreRunner(CRunContext& run)
{
    RunOneWay(run, kRestore);
}
