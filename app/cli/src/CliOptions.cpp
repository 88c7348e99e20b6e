#include "CliOptions.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const char*, 17> kCommands = {
    "register", "identify", "refresh",  "store-settings", "sync",     "calendar-sync", "upload",    "download", "backup",
    "restore",  "summary",  "help",     "about",          "settings", "watch",         "scheduled", "forget",
};

} // namespace

ParseOutcome ParseCliOptions(const std::vector<std::string>& arguments, CliOptions& options,
                             std::string& error)
{
    options = CliOptions();
    std::size_t at = 0;
    // Only as the first word: the trigger starts the program with it after a push.
    if (!arguments.empty() && arguments[0] == "CIR") {
        options.startedByPush = true;
        ++at;
    }
    for (; at < arguments.size(); ++at) {
        const std::string& word = arguments[at];
        if (word == "-h" || word == "--help")
            return ParseOutcome::Help;
        if (word == "--yes" || word == "--no") {
            const CCliUi::Answers answers = word == "--yes" ? CCliUi::Answers::Yes : CCliUi::Answers::No;
            if (options.answers != CCliUi::Answers::Ask && options.answers != answers) {
                error = "--yes and --no exclude each other";
                return ParseOutcome::Error;
            }
            options.answers = answers;
        } else if (word == "--all") {
            options.files.all = true;
        } else if (word == "--select") {
            if (at + 1 >= arguments.size() || arguments[at + 1].empty()) {
                error = "--select needs a pattern";
                return ParseOutcome::Error;
            }
            options.files.patterns.push_back(arguments[++at]);
        } else if (!word.empty() && word[0] == '-' && options.command.empty()) {
            error = "unknown option \"" + word + "\"";
            return ParseOutcome::Error;
        } else if (options.command.empty()) {
            if (std::find_if(kCommands.begin(), kCommands.end(),
                             [&](const char* command) { return word == command; }) == kCommands.end()) {
                error = "unknown command \"" + word + "\"";
                return ParseOutcome::Error;
            }
            options.command = word;
        } else {
            options.arguments.push_back(word);
        }
    }
    const std::size_t count = options.arguments.size();
    if (options.files.IsSet() && options.command != "upload" && options.command != "download") {
        error = "--all and --select go with upload and download";
        return ParseOutcome::Error;
    }
    if (options.command == "settings") {
        const bool show = count == 1 && options.arguments[0] == "show";
        const bool set = count == 3 && options.arguments[0] == "set";
        if (!show && !set) {
            error = "use \"settings show\" or \"settings set NAME VALUE\"";
            return ParseOutcome::Error;
        }
    } else if (count != 0) {
        error = "\"" + options.command + "\" takes no arguments";
        return ParseOutcome::Error;
    }
    return ParseOutcome::Run;
}

std::string UsageText()
{
    return "lumeno-cli: the Lumeno handset client in a terminal.\n"
           "\n"
           "Usage: lumeno-cli [CIR] [--yes|--no] [COMMAND]\n"
           "       lumeno-cli [--all | --select PATTERN ...] upload|download\n"
           "\n"
           "Without a command it shows the operations and the menu and runs what you choose; a handset\n"
           "without keys registers first. Commands:\n"
           "  register              register the handset (registration SMS and push), fetch its settings,\n"
           "                        then the selection wizard\n"
           "  identify              identify the handset and fetch its settings, then the wizard\n"
           "  refresh               identify the handset and fetch its settings again\n"
           "  store-settings        send the settings to the server\n"
           "  sync                  send what changed on the handset, bring back what changed on the server\n"
           "                        (contacts, calendar, SMS; asks first)\n"
           "  calendar-sync         the same for appointments and tasks only\n"
           "  backup                send the handset's items to the server\n"
           "  restore               bring the server's items back to the handset (asks first)\n"
           "  upload, download      send files of the phone to the server, or fetch files of the server:\n"
           "                        the files list shows them numbered (tick, kind, size, status, name)\n"
           "                        and takes numbers to tick, letters to filter, \"d N\" for details;\n"
           "                        Enter starts the transfer; the progress line shows the bytes\n"
           "  summary               the summary of the last operation\n"
           "  help, about\n"
           "  settings show         every setting, NAME = VALUE (keys and password only as set or not)\n"
           "  settings set NAME VALUE\n"
           "                        change one setting (a text of at most 259 characters);\n"
           "                        store-settings sends it to the server\n"
           "  watch                 stay up: run the start-up request, the requests of pushes and the\n"
           "                        sync check every five minutes, until Ctrl-C or SIGTERM; it reads no\n"
           "                        input, so questions get --yes or --no, else No or Cancel\n"
           "  scheduled             the scheduled Sync when it is due, without a menu, then end (the trigger\n"
           "                        of lumeno-devmgr starts the program so when there is no desktop)\n"
           "  forget                delete this handset's settings, keys and summary for the user who runs\n"
           "                        it (after removing the package; the contacts and messages stay)\n"
           "\n"
           "Options:\n"
           "  CIR        (first word only) started for a push: registration waits for the push with the\n"
           "             keys instead of asking the server first\n"
           "  --yes      answer every question with Yes or OK, and the wizard with Next\n"
           "  --no       answer every question with No or Cancel\n"
           "  --all      (upload, download) tick every file of the files list and go on\n"
           "  --select PATTERN\n"
           "             (upload, download) tick the files whose names match the shell pattern (case\n"
           "             ignored; may be given more than once) and go on\n"
           "Otherwise questions are asked on the terminal, or answered by the lines of standard input\n"
           "(y, n, o, c; Enter for Next in the wizard). Ctrl-C stops a running operation.\n"
           "\n"
           "The device is the user's own, or the one under LUMENO_DEVICE_ROOT. One copy runs at a time.\n"
           "\n"
           "Exit status: 0 done, 1 error, 2 bad command line, 3 stopped, 4 refused by the server,\n"
           "5 another copy is running.\n";
}

ExitStatus ExitStatusOf(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Ok:
    case RunOutcome::NotRun:
        return kExitDone;
    case RunOutcome::Error:
        return kExitError;
    case RunOutcome::Stopped:
    case RunOutcome::ServerStopped:
        return kExitStopped;
    case RunOutcome::ServerError:
        return kExitServerError;
    }
    return kExitError;
}
