#pragma once
// The requests lumeno-devmgr answers on its control socket, one line each:
//   load KEY          start the driver registered under "Drivers\BuiltIn\KEY"   -> "ok CIR0:"
//   unload NAME       stop and unload device NAME                                -> "ok"
//   find NAME FILE    whether device NAME is loaded from driver file FILE        -> "ok"
//   list              the loaded devices, one "NAME KEY LIBRARY" line each       -> "ok" and the lines
// Anything else, or a request that fails, is answered "error <reason>".

#include "CDeviceManagerHost.h"

#include <string>
#include <string_view>

std::string AnswerHostRequest(CDeviceManagerHost& host, std::string_view request);
