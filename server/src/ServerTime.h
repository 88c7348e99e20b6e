#pragma once
// Wall-clock time of the server in milliseconds since 1970-01-01 UTC: stored in records and shown to
// the operator. The server is a separate program from the handset, so it reads the system clock.

#include <chrono>
#include <cstdint>

inline std::int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}
