#pragma once
// The most recent requests the server answered, for the operator's "log" command: who sent what
// (method, path, headers), how big the body was and what the answer was. Bodies are not kept, and of
// the rest a bounded copy: paths and header values are cut at 512 bytes, and headers past 4 KiB in all
// are left out (a last "..." header says how many). Holds at most `capacity` entries, dropping the
// oldest. Thread-safe.

#include "protocol/ProtocolMessage.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

struct LoggedRequest {
    std::int64_t sequence = 0; // 1, 2, ... in arrival order
    std::int64_t timeMs = 0;
    std::string remoteAddress;
    int remotePort = 0;
    std::string method;
    std::string path;
    HeaderList headers;
    std::size_t bodySize = 0;
    int status = 0;
    std::string errorCode; // the answer's QX-ErrorCode, if any
};

class CRequestLog {
public:
    explicit CRequestLog(std::size_t capacity);

    // Keeps the entry, cut to its bounded copy, under the next sequence number.
    void Add(LoggedRequest entry);
    // Entries with a sequence number above `sequence`, oldest first.
    std::vector<LoggedRequest> Since(std::int64_t sequence) const;

private:
    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::deque<LoggedRequest> m_entries;
    std::int64_t m_nextSequence = 1;
};
