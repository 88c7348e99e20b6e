#pragma once
// "lumeno-refserver admin ...": one operator command to a running server's admin API.

#include <ostream>
#include <span>
#include <string>

// Exit codes of the operator mode.
inline constexpr int kOperatorDone = 0;
inline constexpr int kOperatorRefused = 1;
inline constexpr int kOperatorUsage = 2;
inline constexpr int kOperatorUnreachable = 3;

// Runs the command given by `arguments` (those after the word "admin"); prints the answer to `out` and
// problems to `err`. `defaultAdminUrl` is used when no --admin is given (may be empty).
int RunOperatorCommand(std::span<const std::string> arguments, const std::string& defaultAdminUrl,
                       std::ostream& out, std::ostream& err);
