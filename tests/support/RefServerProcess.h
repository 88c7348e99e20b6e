#pragma once
// The real lumeno-refserver program, started for a test: in a private temporary folder, on free
// ports read from the program's "listening" lines, stopped with SIGTERM.
//
// Every wait has a watchdog (15 s for the start, 10 s for the stop, then SIGKILL), so a server that
// hangs fails the test instead of blocking it. The server's log (its standard error) is kept in
// "server.log" in the temporary folder; Log() returns it for failure messages. One object per server;
// used by one test thread.
//
// A stop ends the server's connections at once, idle kept-alive ones included; a client connects again
// after a Restart.

#include "refserver/AdminClient.h"

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

class CRefServerProcess {
public:
    // `program`: the lumeno-refserver to run; by default the one built with the tests.
    explicit CRefServerProcess(std::filesystem::path program = DefaultProgram());
    // Stops the server and removes the temporary folder.
    ~CRefServerProcess();
    CRefServerProcess(const CRefServerProcess&) = delete;
    CRefServerProcess& operator=(const CRefServerProcess&) = delete;

    // Starts the server with --data in the temporary folder and `arguments` after it (for example
    // {"--push-port", "40000"}). False, with the reason and the server's log in Error(), when it did not
    // come up.
    bool Start(std::vector<std::string> arguments = {});
    // Stops the server and starts it again on the same data folder, ports and arguments.
    bool Restart();
    // SIGTERM, then up to 10 s for the server to end (then SIGKILL). True when it ended by itself with
    // status 0.
    bool Stop();
    bool IsRunning() const { return m_pid > 0; }

    int HttpPort() const { return m_httpPort; }
    int AdminPort() const { return m_adminPort; }
    // "http://127.0.0.1:<port>" ("https" with --cert).
    std::string BaseUrl() const;
    // The protocol URL: BaseUrl() and the object path (--path, default /sync/serv).
    std::string ServerUrl() const;
    // The SMS gateway: BaseUrl() and --sms-path (default /sms-gateway).
    std::string SmsGatewayUrl() const;
    std::string AdminUrl() const;
    CAdminClient Admin() const { return CAdminClient(AdminUrl()); }

    const std::filesystem::path& Folder() const { return m_folder; }
    std::filesystem::path DataFolder() const { return m_folder / "data"; }
    std::string Log() const;
    const std::string& Error() const { return m_error; }

    static std::filesystem::path DefaultProgram();

private:
    bool Launch(const std::vector<std::string>& arguments);
    bool ReadPorts();
    std::string Argument(std::string_view name, std::string_view fallback) const;

    std::filesystem::path m_program;
    std::filesystem::path m_folder;
    std::vector<std::string> m_arguments;
    pid_t m_pid = -1;
    int m_output = -1;
    int m_httpPort = 0;
    int m_adminPort = 0;
    bool m_tls = false;
    std::string m_error;
};
