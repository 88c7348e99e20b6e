#pragma once
// What this process used, for benchmarks that report or bound it: the kernel's high-water mark of its
// resident memory (reset it before the work, read it after) and its CPU time.

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

inline void ResetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

inline double PeakResidentMiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024; // kB
    }
    return 0;
}

// CPU seconds of all the process's threads so far.
inline double CpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// CPU seconds so far of this process's children (a server it started), from /proc.
inline double ChildrenCpuSeconds()
{
    double seconds = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream children(task.path() / "children");
        for (int child = 0; children >> child;) {
            std::ifstream stat("/proc/" + std::to_string(child) + "/stat");
            std::string line;
            std::getline(stat, line);
            // Fields after the command's closing parenthesis; utime and stime are the 12th and 13th.
            std::istringstream fields(line.substr(line.rfind(')') + 2));
            std::string field;
            double ticks = 0;
            for (int i = 1; i <= 13 && fields >> field; ++i) {
                if (i >= 12)
                    ticks += std::stod(field);
            }
            seconds += ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
        }
    }
    return seconds;
}
