#include "FileChunkSink.h"

#include "FileTransfer.h"
#include "utils/AsciiFold.h"
#include "utils/Decimal.h"
#include "utils/Utf.h"

#include <algorithm>

namespace {

const std::string* HeadValue(const HttpResponse& head, std::string_view name)
{
    for (const auto& [headerName, value] : head.headers) {
        if (EqualsFolded(headerName, name))
            return &value;
    }
    return nullptr;
}

std::optional<std::int32_t> HeadNumber(const HttpResponse& head, std::string_view name)
{
    const std::string* value = HeadValue(head, name);
    if (!value)
        return std::nullopt;
    return ReadDecimalInt32(Utf8ToUtf16(*value));
}

} // namespace

CChunkSink::CChunkSink(int descriptor, std::int64_t fileSize, std::int64_t whole)
    : m_descriptor(descriptor), m_fileSize(fileSize), m_whole(whole)
{}

bool CChunkSink::Begin(const HttpResponse& head, std::string& error)
{
    m_file.reset();
    if (HeadValue(head, "QX-ErrorCode")) {
        m_refused = Verdict::Refused;
        error = "the server refused the chunk";
        return false;
    }
    const std::optional<std::int32_t> offset = HeadNumber(head, "QX-ChunkOffset");
    const std::optional<std::int32_t> size = HeadNumber(head, "QX-ChunkSize");
    if (!offset || !size) {
        m_refused = Verdict::NoPlace;
        error = "no number in QX-ChunkOffset and QX-ChunkSize";
        return false;
    }
    m_place = {*offset, *size};
    // A chunk must lie within the file, within the chunk ceiling, and start where the file holds
    // bytes already or right after them: a gap would leave zeros in the file.
    const std::int64_t end = std::int64_t{*offset} + *size;
    if (*offset < 0 || *size < 0 || *size > kMaxChunkBytes || *offset > m_whole ||
        (m_fileSize != 0 && end > m_fileSize)) {
        m_refused = Verdict::Outside;
        error = "a chunk outside the file";
        return false;
    }
    if (head.contentLength && *head.contentLength > static_cast<std::uint64_t>(*size)) {
        m_refused = Verdict::Overlong;
        error = "a body longer than its QX-ChunkSize";
        return false;
    }
    m_refused = Verdict::Whole;
    m_file.emplace(m_descriptor, static_cast<std::uint64_t>(*offset), static_cast<std::uint64_t>(*size));
    return true;
}

bool CChunkSink::Write(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error)
{
    if (!m_file)
        return false;
    if (offset + bytes.size() > static_cast<std::uint64_t>(m_place.size)) {
        m_refused = Verdict::Overlong;
        error = "a body longer than its QX-ChunkSize";
        return false;
    }
    if (!m_file->Write(offset, bytes, error)) {
        m_refused = Verdict::WriteFailed;
        return false;
    }
    return true;
}

CChunkSink::Verdict CChunkSink::Result() const
{
    if (m_refused != Verdict::Whole)
        return m_refused;
    return m_file && m_file->Written() == static_cast<std::uint64_t>(m_place.size) ? Verdict::Whole : Verdict::Short;
}

std::int64_t CChunkSink::Reached() const
{
    if (!m_file)
        return m_whole;
    return std::max<std::int64_t>(m_whole, std::int64_t{m_place.offset} + static_cast<std::int64_t>(m_file->Written()));
}
