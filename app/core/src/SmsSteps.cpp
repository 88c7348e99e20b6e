#include "core/RunnerSteps.h"

#include "service/BrandingTexts.h"

// Sync sends the handset's messages and then makes the handset agree with the server's list; Backup
// only sends, Restore only applies the list.
bool SmsStep(CRunContext& run, DataOperation operation)
{
    CServiceCalls& calls = run.Calls();
    const std::u16string_view mode = ModeWord(operation);
    if (operation != DataOperation::Restore) {
        run.Progress(kTextSendingMessages, 0);
        if (!run.Check(calls.SmsBackupFlow(run.Window(), mode), kTextMessagesBackupFailed))
            return false;
        if (operation == DataOperation::Backup)
            return true;
    }
    run.Progress(kTextReceivingMessages, 50);
    return run.Check(calls.SmsRestoreFlow(mode), kTextMessagesRestoreFailed);
}
