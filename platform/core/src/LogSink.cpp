#include "platform/LogSink.h"

#include <atomic>

namespace {

constinit std::atomic<CLogSink::Function> s_sink{nullptr};

} // namespace

void CLogSink::Install(Function sink)
{
    s_sink.store(sink);
}

void CLogSink::Write(std::string_view line)
{
    if (const Function sink = s_sink.load())
        sink(line);
}
