#include "protocol/RequestLog.h"

namespace {

constexpr std::size_t kMaxTextBytes = 512;
constexpr std::size_t kMaxHeaderBytes = 4096;

void Cut(std::string& text)
{
    if (text.size() > kMaxTextBytes)
        text.resize(kMaxTextBytes);
}

void KeepBoundedCopy(LoggedRequest& entry)
{
    Cut(entry.path);
    std::size_t bytes = 0;
    std::size_t kept = 0;
    for (auto& [name, value] : entry.headers) {
        Cut(name);
        Cut(value);
        bytes += name.size() + value.size();
        if (bytes > kMaxHeaderBytes)
            break;
        ++kept;
    }
    if (kept == entry.headers.size())
        return;
    const std::size_t left = entry.headers.size() - kept;
    entry.headers.resize(kept);
    entry.headers.emplace_back("...", std::to_string(left) + " more headers not kept");
}

} // namespace

CRequestLog::CRequestLog(std::size_t capacity) : m_capacity(capacity) {}

void CRequestLog::Add(LoggedRequest entry)
{
    KeepBoundedCopy(entry);
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
