#pragma once
// A command-line program of the handset (lumeno-cli by default, lumeno-pim, lumeno-sms) run as a user runs it, for
// the tests: its arguments, extra environment, lines on standard input; its standard output and error
// collected as they come, and its exit status. Every wait has a limit, so a program that hangs fails
// the test; one that is still running at the end is killed.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <utility>
#include <vector>

// The programs built with the tests.
std::string LumenoCliProgram();
std::string LumenoPimProgram();
std::string LumenoSmsProgram();

class CCliProcess {
public:
    explicit CCliProcess(std::string program = LumenoCliProgram()) : m_program(std::move(program)) {}
    ~CCliProcess();
    CCliProcess(const CCliProcess&) = delete;
    CCliProcess& operator=(const CCliProcess&) = delete;

    // Starts the program with `arguments`, the environment plus `environment` ("NAME=value"), and
    // `input` as its whole standard input. False when it could not be started.
    bool Start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
               const std::string& input);
    // Waits until the output holds `text`.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit);
    void Signal(int signal);
    // Waits for the end; the exit status, or -1 when it did not end in time (it is killed then) or
    // ended by a signal.
    int Wait(std::chrono::milliseconds limit);
    std::string Output() const;

    // Runs the program to its end (30 s at most): exit status and output.
    static std::pair<int, std::string> Run(const std::vector<std::string>& arguments,
                                           const std::vector<std::string>& environment,
                                           const std::string& input = "", const std::string& program = LumenoCliProgram());
    // The process id while it runs.
    pid_t Pid() const { return m_pid; }

private:
    std::string m_program;
    pid_t m_pid = -1;
    std::thread m_reader;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_output;
};
