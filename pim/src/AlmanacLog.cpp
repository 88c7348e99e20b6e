#include "pim/AlmanacLog.h"

#include "platform/LogSink.h"

#include <string>

void AlmanacLog(std::string_view line)
{
    CLogSink::Write("almanac: " + std::string(line));
}
