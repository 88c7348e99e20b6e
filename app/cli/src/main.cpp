// lumeno-cli: the Lumeno handset client in a terminal, over the application core.

#include "CliOptions.h"
#include "CliUi.h"
#include "SettingsCommands.h"
#include "core/CTesselApp.h"
#include "core/InstanceGuard.h"
#include "core/PushWatcher.h"
#include "core/ServiceCalls.h"
#include "platform/LogSink.h"
#include "platform/Registry.h"
#include "service/CReg_Api.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <map>
#include <optional>
#include <pthread.h>

namespace {

const std::map<std::string, int> kRequestCommands = {
    {"register", REQ_REGISTER},
    {"identify", REQ_IDENTIFY},
    {"refresh", REQ_REFRESH},
    {"store-settings", REQ_STORE_SETTINGS},
};

const std::map<std::string, OperationCode> kOperationCommands = {
    {"sync", OP_SYNC},     {"calendar-sync", OP_CALENDAR_SYNC},
    {"upload", OP_UPLOAD}, {"download", OP_DOWNLOAD},
    {"backup", OP_BACKUP}, {"restore", OP_RESTORE},
};

// What the libraries report goes to the terminal's error stream, beside the program's own messages.
std::atomic<CTerminal*> s_logTerminal{nullptr};

void WriteLibraryLine(std::string_view line)
{
    if (CTerminal* terminal = s_logTerminal.load())
        terminal->PrintError("lumeno-cli: " + std::string(line));
}

// An operation of the list, as if the user chose its row.
int RunOperation(CCliUi& ui, CTesselView& view, OperationCode operation)
{
    if (!CReg_Api::GetInstanceReg()->HasKeys()) {
        ui.Terminal().Print(
            "lumeno-cli: the handset is not registered yet; run \"lumeno-cli register\" first");
        return kExitError;
    }
    view.BuildOperationList();
    const std::vector<OperationRow>& rows = view.Rows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].operation != operation)
            continue;
        view.SelectRow(static_cast<int>(row));
        ui.RunRequest(view, REQ_ROW_ACTIVATED);
        return ExitStatusOf(ui.LastOutcome());
    }
    const OperationInfo& info = OperationTable()[operation];
    ui.Terminal().Print(
        "lumeno-cli: the server does not enable this operation (\"" +
        std::string(info.enabledBy, info.enabledBy + std::char_traits<char16_t>::length(info.enabledBy)) +
        "\" is 0)");
    return kExitError;
}

// The scheduled-sync trigger starts the program this way where no desktop is: the periodic sync check,
// and the Sync it asks for when one is due, without a menu; then the program ends.
int RunScheduled(CCliUi& ui, CTesselView& view)
{
    view.PeriodicSyncCheck();
    ui.RunPosted();
    if (ui.LastOutcome() == RunOutcome::NotRun)
        ui.Terminal().Print("scheduled: no Sync is due");
    return ExitStatusOf(ui.LastOutcome());
}

// Deletes "Software\Orvane" (settings, keys, summary) of this user: what the package's removal
// cannot do for each user.
int Forget(CTerminal& terminal)
{
    const RegStatus status = CRegistry::DeleteTree(RegRoot::CurrentUser, u"Software\\Orvane");
    if (status == RegStatus::Failed) {
        terminal.PrintError("lumeno-cli: the registry of this device cannot be changed");
        return kExitError;
    }
    terminal.Print("forget: this handset's settings, keys and summary are deleted");
    return kExitDone;
}

int Run(const CliOptions& options, CCliUi& ui)
{
    if (options.command == "forget")
        return Forget(ui.Terminal());
    CTesselServiceCalls calls;
    // Destroyed after the application: its thread may be waiting for the frame's window.
    std::optional<CPushWatcher> watcher;
    CTesselApp app;
    if (!app.InitInstance(ui, calls, options.startedByPush)) {
        std::fprintf(stderr, "lumeno-cli: the user-interface texts (a .brd file) could not be read\n");
        return kExitError;
    }
    CTesselView& view = app.View();
    const std::string& command = options.command;
    if (command == "settings") {
        return options.arguments[0] == "show"
                   ? ShowSettings(ui.Terminal())
                   : SetSetting(options.arguments[1], options.arguments[2], ui.Terminal());
    }
    if (command == "summary" || command == "help" || command == "about") {
        command == "summary" ? view.OnSummary() : command == "help" ? view.OnHelp() : view.OnAbout();
        return kExitDone;
    }

    if (command == "scheduled")
        return RunScheduled(ui, view);

    watcher.emplace(app.Frame().Handle());
    std::string error;
    if (!watcher->Start(error))
        ui.Terminal().PrintError("lumeno-cli: pushes cannot be received: " + error);
    if (const auto request = kRequestCommands.find(command); request != kRequestCommands.end()) {
        ui.RunRequest(view, request->second);
        return ExitStatusOf(ui.LastOutcome());
    }
    if (const auto operation = kOperationCommands.find(command); operation != kOperationCommands.end())
        return RunOperation(ui, view, operation->second);

    app.ShowMainWindow();
    if (command == "watch")
        ui.RunWatch(view, watcher->Port());
    else
        ui.RunInteractive(view);
    return ui.EndedByUser() ? kExitDone : ExitStatusOf(ui.LastOutcome());
}

} // namespace

int main(int argc, char** argv)
{
    // SIGINT and SIGTERM are taken by the terminal's input thread: blocked here, before any thread
    // starts, so that every thread inherits the mask and none is interrupted by them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    CliOptions options;
    std::string error;
    switch (ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    case ParseOutcome::Help:
        std::fputs(UsageText().c_str(), stdout);
        return kExitDone;
    case ParseOutcome::Error:
        std::fprintf(stderr, "lumeno-cli: %s (see lumeno-cli --help)\n", error.c_str());
        return kExitUsage;
    case ParseOutcome::Run:
        break;
    }

    CInstanceGuard guard;
    if (guard.GetState() == CInstanceGuard::State::TakenByOther) {
        std::fprintf(stderr, "lumeno-cli: Lumeno is already running on this device (process %d)\n",
                     static_cast<int>(guard.Holder()));
        return kExitAlreadyRunning;
    }
    if (guard.GetState() == CInstanceGuard::State::Failed) {
        std::fprintf(stderr, "lumeno-cli: the device data folder cannot be used: %s\n",
                     guard.Error().c_str());
        return kExitError;
    }

    const CCliUi::Mode mode = options.command.empty()      ? CCliUi::Mode::Interactive
                              : options.command == "watch" ? CCliUi::Mode::Watch
                                                           : CCliUi::Mode::Command;
    CCliUi ui(mode, options.answers, options.files);
    s_logTerminal.store(&ui.Terminal());
    CLogSink::Install(WriteLibraryLine);
    CUiPort::Install(&ui);
    const int status = Run(options, ui);
    CUiPort::Install(nullptr);
    CLogSink::Install(nullptr);
    s_logTerminal.store(nullptr);
    std::fflush(stdout);
    return status;
}
