#include "core/RunnerSteps.h"

#include "service/CLog_File.h"

bool MediaStep(CRunContext&, DataOperation)
{
    CLog_File::AddLogLine(u"Media files are not built yet in this version of Lumeno; their step is skipped");
    return true;
}
