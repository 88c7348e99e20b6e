#include "core/RunnerSteps.h"

namespace {

enum Text : int {
    kSmsBackupText = 43,
    kSmsRestoreFailedText = 60,
    kSmsBackupFailedText = 67,
    kSmsRestoreText = 80,
};

} // namespace

// Sync sends the handset's messages and then makes the handset agree with the server's list; Backup
// only sends, Restore only applies the list.
bool SmsStep(CRunContext& run, DataOperation operation)
{
    CServiceCalls& calls = run.Calls();
    const std::u16string_view mode = ModeWord(operation);
    if (operation != DataOperation::Restore) {
        run.Progress(kSmsBackupText, 0);
        if (!run.Check(calls.SmsBackupFlow(run.Window(), mode), kSmsBackupFailedText))
            return false;
        if (operation == DataOperation::Backup)
            return true;
    }
    run.Progress(kSmsRestoreText, 50);
    return run.Check(calls.SmsRestoreFlow(mode), kSmsRestoreFailedText);
}
