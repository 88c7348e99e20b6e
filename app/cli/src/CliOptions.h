#pragma once
// lumeno-cli's command line.

#include "CliUi.h"

#include <string>
#include <vector>

struct CliOptions {
    bool startedByPush = false; // the word "CIR" came first
    CCliUi::Answers answers = CCliUi::Answers::Ask;
    CCliUi::FileChoice files; // upload and download only
    std::string command; // empty: interactive
    std::vector<std::string> arguments;
};

enum class ParseOutcome : std::uint8_t { Run, Help, Error };

// Reads the arguments after the program name; `error` says what is wrong.
ParseOutcome ParseCliOptions(const std::vector<std::string>& arguments, CliOptions& options,
                             std::string& error);

std::string UsageText();

// Exit statuses of the program.
enum ExitStatus : int {
    kExitDone = 0,
    kExitError = 1,
    kExitUsage = 2,
    kExitStopped = 3,
    kExitServerError = 4,
    kExitAlreadyRunning = 5,
};

ExitStatus ExitStatusOf(RunOutcome outcome);
