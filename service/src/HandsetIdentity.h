#pragma once
// How the handset names itself to the server: the device id when the phone line reports no IMEI, and
// the two agent strings of the request header block.

#include "platform/Telephony.h"
#include "utils/Version.h"

#include <string>
#include <string_view>

// The first 16 characters of the upper-case hexadecimal form of the platform's unique id for this
// application (id version 1); empty when the platform cannot give one.
std::u16string FallbackDeviceId();

// "<manufacturer>-<OEM info>/<platform type>/WindowsCE_<major>.<minor>.<build>"
std::u16string BuildUserAgent(std::u16string_view manufacturer, const OsVersionInfo& os);

// "WinCEMobile/<a>.<b>.<c>" from the product version: both halves of its most significant word and
// the high half of its least significant word.
std::u16string BuildApplicationAgent(const VS_FIXEDFILEINFO& version);

// The version record of the service library's own file (zero when it cannot be read).
VS_FIXEDFILEINFO ServiceLibraryVersion();
