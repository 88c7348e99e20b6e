// A stream driver for the host's tests. Each entry point appends its name to the registry value
// "Software\DriverTest\Calls", so a test sees what the host called and in which order.

#include "platform/Registry.h"
#include "platform/StreamDriver.h"

#include <string>

namespace {

void Record(std::u16string_view call)
{
    CRegKey key;
    if (CRegistry::CreateKey(RegRoot::CurrentUser, u"Software\\DriverTest", key) != RegStatus::Ok)
        return;
    RegValue value;
    std::u16string calls;
    if (key.QueryValue(u"Calls", value) == RegStatus::Ok)
        calls = TextOf(value, 4096).value_or(u"");
    key.SetString(u"Calls", calls + std::u16string(call) + u";");
}

} // namespace

extern "C" {

DriverContext TST_Init(DriverContext)
{
    Record(u"TST_Init");
    return 42;
}

int TST_Deinit(DriverContext context)
{
    Record(context == 42 ? u"TST_Deinit" : u"TST_Deinit with a wrong context");
    return 1;
}

DriverContext BAD_Init(DriverContext)
{
    Record(u"BAD_Init");
    return 0;
}

int BAD_Deinit(DriverContext)
{
    Record(u"BAD_Deinit");
    return 1;
}

DriverContext NOD_Init(DriverContext)
{
    Record(u"NOD_Init");
    return 1;
}

} // extern "C"
