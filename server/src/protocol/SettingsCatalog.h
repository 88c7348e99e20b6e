#pragma once
// The settings a new account starts with, the values a handset may store, and the limits on values.
//
// Values are text as they travel: "true"/"false" for switches (the handset stores them as 1 and 0),
// decimal digits for numbers, anything else as text.

#include "store/AccountStore.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The full configuration of a new account, in the order it is sent. The "URL" setting is not among
// them: RetrieveSettings sends the server's own address unless the account has a "URL" of its own.
std::vector<SettingValue> DefaultAccountSettings();

// Why a handset's StoreSettings value cannot be kept: a name that is not one of the 21 settings a handset
// stores, a period that is
// not a number of days, a switch that is not "true" or "false", a folder that SettingProblem refuses.
std::optional<std::string> StoredSettingProblem(std::string_view name, std::string_view value);

// Why a setting cannot be kept (name not 1-64 characters of letters, digits, "-" and "_"; value over 259
// characters, not UTF-8, or holding a control character); nothing when it can.
std::optional<std::string> SettingProblem(std::string_view name, std::string_view value);
