#pragma once
// Request bodies read from a file and answer bodies written into one, piece by piece as the client
// moves them (file upload and download chunks of any size). Both work on a descriptor the caller
// opened and keeps open for the request; they read and write at absolute offsets (pread, pwrite), so
// the descriptor's position does not matter and is not moved. Used on the requesting thread.

#include "platform/HttpClient.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>

// The bytes [offset, offset + length) of an open file.
class CFileBodySource final : public CHttpBodySource {
public:
    CFileBodySource(int descriptor, std::uint64_t offset, std::uint64_t length);
    std::uint64_t Size() const override { return m_length; }
    // Fails when the file cannot be read or ends before the range does.
    std::optional<std::size_t> Read(std::uint64_t offset, std::span<std::uint8_t> buffer) override;

private:
    int m_descriptor;
    std::uint64_t m_offset;
    std::uint64_t m_length;
};

// Writes an answer's body into an open file from a place chosen by the answer's head (or fixed), up
// to a limit; more than the limit fails the answer rather than growing the file without end.
class CFileAnswerSink final : public CHttpAnswerSink {
public:
    // Where the body starts in the file, read from the answer's head; nothing refuses the answer.
    using Placement = std::function<std::optional<std::uint64_t>(const HttpResponse& head)>;

    CFileAnswerSink(int descriptor, std::uint64_t offset,
                    std::uint64_t limit = std::numeric_limits<std::uint64_t>::max());
    CFileAnswerSink(int descriptor, Placement placement,
                    std::uint64_t limit = std::numeric_limits<std::uint64_t>::max());

    bool Begin(const HttpResponse& head, std::string& error) override;
    bool Write(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) override;

    std::uint64_t Start() const { return m_start; }
    std::uint64_t Written() const { return m_written; }

private:
    int m_descriptor;
    Placement m_placement;
    std::uint64_t m_start = 0;
    std::uint64_t m_limit;
    std::uint64_t m_written = 0;
};
