// The benchmark program: Google Benchmark's console output, then one line per registered throughput
// comparison (see BenchRatio.h).
#include "BenchRatio.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<ThroughputRatio>& Ratios()
{
    static std::vector<ThroughputRatio> s_ratios;
    return s_ratios;
}

// Prints as usual and remembers each run's bytes per second by its name.
class CRecordingReporter final : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            const auto rate = run.counters.find("bytes_per_second");
            if (rate == run.counters.end())
                continue;
            if (m_bytesPerSecond.count(run.benchmark_name()) == 0)
                m_order.push_back(run.benchmark_name());
            m_bytesPerSecond[run.benchmark_name()] = rate->second.value;
        }
    }

    void PrintRatios() const
    {
        for (const ThroughputRatio& ratio : Ratios()) {
            const std::string ours = std::string(ratio.ours);
            double logSum = 0;
            int count = 0;
            for (const std::string& name : m_order) {
                const double rate = m_bytesPerSecond.at(name);
                if (name.compare(0, ours.size(), ours) != 0 ||
                    (name.size() > ours.size() && name[ours.size()] != '/'))
                    continue;
                const std::string arguments = name.substr(ours.size());
                const auto reference = m_bytesPerSecond.find(ratio.reference + arguments);
                if (reference == m_bytesPerSecond.end() || reference->second <= 0)
                    continue;
                const double factor = rate / reference->second;
                std::printf("%s%s: %.2fx (%.0f MB/s vs %.0f MB/s)\n", ratio.label, arguments.c_str(), factor,
                            rate / 1e6, reference->second / 1e6);
                logSum += std::log(factor);
                ++count;
            }
            if (count > 0)
                std::printf("%s: %.2fx (geometric mean over %d sizes)\n", ratio.label,
                            std::exp(logSum / count), count);
        }
    }

private:
    std::map<std::string, double> m_bytesPerSecond;
    std::vector<std::string> m_order; // names as they ran, so sizes print in order
};

} // namespace

bool RegisterThroughputRatio(const ThroughputRatio& ratio)
{
    Ratios().push_back(ratio);
    return true;
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // Colours only on a terminal, so saved output stays plain text.
    CRecordingReporter reporter(::isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                        : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\n");
    reporter.PrintRatios();
    return 0;
}
