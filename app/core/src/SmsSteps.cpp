#include "core/RunnerSteps.h"

#include "service/CLog_File.h"

bool SmsStep(CRunContext&, DataOperation)
{
    CLog_File::AddLogLine(u"SMS messages are not built yet in this version of Lumeno; their step is skipped");
    return true;
}
