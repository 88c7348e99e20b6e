#include "pim/AlmanacLog.h"

#include <atomic>
#include <cstdio>

namespace {

std::atomic<AlmanacLogSink> s_sink{nullptr};

} // namespace

void SetAlmanacLogSink(AlmanacLogSink sink)
{
    s_sink.store(sink);
}

void AlmanacLog(std::string_view line)
{
    if (const AlmanacLogSink sink = s_sink.load()) {
        sink(line);
        return;
    }
    std::fprintf(stderr, "almanac: %.*s\n", static_cast<int>(line.size()), line.data());
}
