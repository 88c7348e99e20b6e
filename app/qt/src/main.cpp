// lumeno: the Lumeno handset client with its screens, over the application core.

#include "CommandLine.h"
#include "InstanceLink.h"
#include "MainWindow.h"
#include "Pictures.h"
#include "QtEventLoop.h"
#include "QtUi.h"
#include "core/CTesselApp.h"
#include "core/InstanceGuard.h"
#include "core/PushWatcher.h"
#include "core/ServiceCalls.h"
#include "platform/LogSink.h"

#include <QApplication>

#include <cstdio>
#include <optional>
#include <string_view>

namespace {

constexpr int kExitError = 1;
constexpr int kExitAlreadyRunning = 3;
// How long a second start looks for the running copy, which may still be starting: 40 x 250 ms.
constexpr int kRaiseAttempts = 40;
constexpr int kRaiseIntervalMs = 250;

void BringToFront(QWidget& window)
{
    window.showNormal();
    window.raise();
    window.activateWindow();
}

int Run(CQtUi& ui, bool startedByPush)
{
    CTesselServiceCalls calls;
    // Destroyed after the application: its thread may be waiting for the frame's window.
    std::optional<CPushWatcher> watcher;
    CTesselApp app;
    if (!app.InitInstance(ui, calls, startedByPush)) {
        std::fprintf(stderr, "lumeno: the user-interface texts (a .brd file) could not be read\n");
        return kExitError;
    }
    ui.Attach(app.View());
    CInstanceLink link;
    QString error;
    if (!link.Listen([&ui] { BringToFront(ui.MainWindow()); }, error))
        std::fprintf(stderr, "lumeno: a second start cannot reach this one: %s\n", qPrintable(error));
    watcher.emplace(app.Frame().Handle());
    std::string pushError;
    if (!watcher->Start(pushError))
        std::fprintf(stderr, "lumeno: pushes cannot be received: %s\n", pushError.c_str());
    app.ShowMainWindow();
    if (!ui.IsClosed())
        QApplication::exec();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // What the libraries report (a store they could not open, refused input) goes to standard error,
    // which the desktop session keeps in its journal.
    CLogSink::Install(
        [](std::string_view line) { std::fprintf(stderr, "lumeno: %.*s\n", int(line.size()), line.data()); });
    // Qt takes its own options (-platform, -style, ...) out of the command line first.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumeno"));
    QApplication::setDesktopFileName(QStringLiteral("lumeno"));
    QApplication::setWindowIcon(ProgramIcon());
    const bool startedByPush = IsStartedByPush(QApplication::arguments());

    CInstanceGuard guard;
    if (guard.GetState() == CInstanceGuard::State::TakenByOther) {
        if (CInstanceLink::AskToRaise(kRaiseAttempts, kRaiseIntervalMs))
            return 0;
        std::fprintf(stderr,
                     "lumeno: Lumeno is already running on this device (process %d) and does not answer\n",
                     static_cast<int>(guard.Holder()));
        return kExitAlreadyRunning;
    }
    if (guard.GetState() == CInstanceGuard::State::Failed) {
        std::fprintf(stderr, "lumeno: the device data folder cannot be used: %s\n", guard.Error().c_str());
        return kExitError;
    }

    CQtEventLoop loop;
    CQtUi ui(loop);
    CUiPort::Install(&ui);
    const int status = Run(ui, startedByPush);
    CUiPort::Install(nullptr);
    CLogSink::Install(nullptr);
    return status;
}
