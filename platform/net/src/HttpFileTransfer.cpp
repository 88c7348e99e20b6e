#include "platform/HttpFileTransfer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

CFileBodySource::CFileBodySource(int descriptor, std::uint64_t offset, std::uint64_t length)
    : m_descriptor(descriptor)
    , m_offset(offset)
    , m_length(length)
{
}

std::optional<std::size_t> CFileBodySource::Read(std::uint64_t offset, std::span<std::uint8_t> buffer)
{
    if (offset >= m_length)
        return 0;
    const std::size_t wanted = std::min<std::uint64_t>(buffer.size(), m_length - offset);
    std::size_t done = 0;
    while (done < wanted) {
        const ssize_t count = ::pread(m_descriptor, buffer.data() + done, wanted - done,
                                      static_cast<off_t>(m_offset + offset + done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return std::nullopt; // an error, or the file is shorter than the range
        done += static_cast<std::size_t>(count);
    }
    return done;
}

CFileAnswerSink::CFileAnswerSink(int descriptor, std::uint64_t offset, std::uint64_t limit)
    : m_descriptor(descriptor)
    , m_start(offset)
    , m_limit(limit)
{
}

CFileAnswerSink::CFileAnswerSink(int descriptor, Placement placement, std::uint64_t limit)
    : m_descriptor(descriptor)
    , m_placement(std::move(placement))
    , m_limit(limit)
{
}

bool CFileAnswerSink::Begin(const HttpResponse& head, std::string& error)
{
    m_written = 0;
    if (!m_placement)
        return true;
    const std::optional<std::uint64_t> start = m_placement(head);
    if (!start) {
        error = "the answer names no place in the file";
        return false;
    }
    m_start = *start;
    return true;
}

bool CFileAnswerSink::Write(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error)
{
    if (offset > m_limit || bytes.size() > m_limit - offset) {
        error = "more than " + std::to_string(m_limit) + " bytes";
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::pwrite(m_descriptor, bytes.data() + done, bytes.size() - done,
                                       static_cast<off_t>(m_start + offset + done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            error = std::string("write failed: ") + std::strerror(count < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    m_written = std::max(m_written, offset + bytes.size());
    return true;
}
