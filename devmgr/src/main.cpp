// lumeno-devmgr: the handset's device manager for one user. It loads the stream drivers registered in
// the user's registry (the scheduled-sync trigger among them), answers load and unload requests on its
// control socket, and on SIGTERM stops every device and ends. Runs as the systemd user service
// lumeno-devmgr.service; the same program sends those requests from the command line.

#include "CDeviceManagerHost.h"
#include "HostRequests.h"
#include "platform/DeviceManager.h"
#include "platform/LogSink.h"
#include "platform/LocalSocket.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The drivers this package brings, registered for the user at the host's start when missing (the
// package's registry entries on the handset).
const DriverRegistration kPackageDrivers[] = {
    {u"ORVANE_CIR", u"OrvaneCir", u"CIR", 0, 0},
};

constexpr std::uint32_t kServeMs = 1000;
constexpr std::uint32_t kRequestMs = 10000;

volatile std::sig_atomic_t s_stop = 0;
volatile std::sig_atomic_t s_reload = 0;

void OnSignal(int signal)
{
    if (signal == SIGHUP)
        s_reload = 1;
    else
        s_stop = 1;
}

// The service's standard error goes to the user's journal; so does what the drivers and the libraries
// report through the log sink.
void WriteLine(std::string_view line)
{
    std::fprintf(stderr, "lumeno-devmgr: %.*s\n", static_cast<int>(line.size()), line.data());
}

void CatchSignals()
{
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a signal ends the wait for a request, so it is acted on at once.
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

std::filesystem::path DefaultDriverFolder()
{
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path() / LUMENO_DRIVER_DIR_FROM_BIN;
}

int RunHost(const std::filesystem::path& driverFolder)
{
    CLocalServer server;
    std::string error;
    if (!server.Listen(CDeviceManager::ControlSocketPath(), error)) {
        std::fprintf(stderr, "lumeno-devmgr: %s\n", error.c_str());
        return 1;
    }
    CatchSignals();
    CLogSink::Install(WriteLine);
    for (const DriverRegistration& registration : kPackageDrivers) {
        if (!RegisterDriverIfMissing(registration))
            WriteLine("the registration of the package's driver cannot be written");
    }
    CDeviceManagerHost host(driverFolder, WriteLine);
    host.LoadRegistered();
    while (!s_stop) {
        if (s_reload) {
            s_reload = 0;
            host.LoadRegistered();
        }
        server.ServeOne(kServeMs, [&](std::string_view request) { return AnswerHostRequest(host, request); });
    }
    host.UnloadAll();
    WriteLine("every device stopped; ending");
    return 0;
}

int Usage(FILE* out, int status)
{
    std::fputs("Usage: lumeno-devmgr [--driver-dir DIR]   run the device manager (until SIGTERM; SIGHUP loads\n"
               "                                          registrations added since)\n"
               "       lumeno-devmgr load KEY             start the driver registered under Drivers\\BuiltIn\\KEY\n"
               "       lumeno-devmgr unload NAME          stop device NAME (e.g. CIR0:)\n"
               "       lumeno-devmgr list                 the loaded devices\n"
               "The device is the user's own, or the one under LUMENO_DEVICE_ROOT.\n"
               "Exit status: 0 done, 1 failed or no device manager running, 2 bad command line.\n",
               out);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty())
        return RunHost(DefaultDriverFolder());
    if (arguments.size() == 2 && arguments[0] == "--driver-dir")
        return RunHost(arguments[1]);
    if (arguments.size() == 1 && (arguments[0] == "-h" || arguments[0] == "--help"))
        return Usage(stdout, 0);
    const bool withArgument = arguments.size() == 2 && (arguments[0] == "load" || arguments[0] == "unload");
    if (!withArgument && !(arguments.size() == 1 && arguments[0] == "list"))
        return Usage(stderr, 2);

    std::string request = arguments[0];
    if (arguments.size() == 2)
        request += " " + arguments[1];
    const std::optional<std::string> reply = LocalRequest(CDeviceManager::ControlSocketPath(), request, kRequestMs);
    if (!reply) {
        std::fputs("lumeno-devmgr: no device manager is running for this user\n", stderr);
        return 1;
    }
    // "ok" or "error", then what the host tells.
    const bool ok = reply->rfind("ok", 0) == 0;
    std::string told = reply->substr(std::min<std::size_t>(reply->size(), ok ? 3 : 0));
    if (!told.empty() && told.back() != '\n')
        told += '\n';
    std::fputs(told.c_str(), ok ? stdout : stderr);
    return ok ? 0 : 1;
}
