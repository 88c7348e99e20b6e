// lumeno-refserver: the reference account server, or (with the word "admin") its operator client.

#include "OperatorMode.h"
#include "RefServer.h"
#include "ServerLog.h"
#include "platform/LogSink.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <pthread.h>
#include <string>
#include <vector>

namespace {

int RunServer(const std::vector<std::string>& arguments)
{
    const ParsedOptions parsed = ParseServerOptions(arguments);
    if (parsed.outcome == ParseOutcome::Help) {
        std::cout << HelpText();
        return 0;
    }
    if (parsed.outcome == ParseOutcome::Error) {
        std::cerr << "lumeno-refserver: " << parsed.error << " (see --help)\n";
        return 2;
    }

    // The signals are taken by sigwait below; every thread started from here on inherits the mask, so
    // none of them is interrupted. Writes to a peer that went away fail instead of killing the server.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    CRefServer server(parsed.options);
    std::string error;
    if (!server.Start(error)) {
        ServerLog("cannot start: " + error);
        return 1;
    }
    const ServerOptions& options = server.Options();
    std::printf("listening %s %s %d\n", server.IsTls() ? "https" : "http", options.listen.c_str(),
                server.HttpPort());
    std::printf("listening admin %s %d\n", options.adminListen.c_str(), server.AdminPort());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    ServerLog("stopping on signal " + std::to_string(signal));
    server.Stop();
    ServerLog("stopped");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // What the platform library reports goes into the server's own log.
    CLogSink::Install([](std::string_view line) { ServerLog(line); });
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && arguments.front() == "admin") {
        const char* adminUrl = std::getenv("LUMENO_REFSERVER_ADMIN");
        return RunOperatorCommand(std::span(arguments).subspan(1), adminUrl ? adminUrl : "", std::cout,
                                  std::cerr);
    }
    return RunServer(arguments);
}
