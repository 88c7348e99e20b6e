#include "protocol/RequestLog.h"

CRequestLog::CRequestLog(std::size_t capacity) : m_capacity(capacity) {}

void CRequestLog::Add(LoggedRequest entry)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    entry.sequence = m_nextSequence++;
    if (m_capacity == 0)
        return;
    if (m_entries.size() == m_capacity)
        m_entries.pop_front();
    m_entries.push_back(std::move(entry));
}

std::vector<LoggedRequest> CRequestLog::Since(std::int64_t sequence) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<LoggedRequest> entries;
    for (const LoggedRequest& entry : m_entries) {
        if (entry.sequence > sequence)
            entries.push_back(entry);
    }
    return entries;
}
