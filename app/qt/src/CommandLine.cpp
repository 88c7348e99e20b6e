#include "CommandLine.h"

#include "QtText.h"
#include "core/CTesselApp.h"

bool IsStartedByPush(const QStringList& arguments)
{
    return arguments.size() > 1 && arguments[1] == ToQString(CTesselApp::kStartedByPushWord);
}
