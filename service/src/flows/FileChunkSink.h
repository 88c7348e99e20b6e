#pragma once
// Where one download chunk goes as it arrives: straight into the staged file, at the place the
// answer's head names, once that place is checked against the file; never more bytes than the head
// announced. Nothing of a chunk is held in memory.
//
// Worker thread; one request.

#include "platform/HttpFileTransfer.h"

#include <cstdint>
#include <optional>

struct ChunkPlace {
    std::int32_t offset = 0;
    std::int32_t size = 0;
};

class CChunkSink final : public CHttpAnswerSink {
public:
    // How the chunk went once its request has ended.
    enum class Verdict : std::uint8_t {
        NoHead,      // no answer head reached the sink
        Refused,     // the server answered with a QX-ErrorCode instead of the chunk
        NoPlace,     // no number in QX-ChunkOffset or QX-ChunkSize
        Outside,     // a place outside the file, above the chunk ceiling, or leaving a gap
        Overlong,    // more bytes than QX-ChunkSize
        WriteFailed, // the staged file took no more bytes
        Short,       // fewer bytes than QX-ChunkSize arrived (a cut connection, a stop)
        Whole,
    };

    // `fileSize` 0: not known. `whole`: what the file holds from its start without a gap.
    CChunkSink(int descriptor, std::int64_t fileSize, std::int64_t whole);

    bool Begin(const HttpResponse& head, std::string& error) override;
    bool Write(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) override;

    Verdict Result() const;
    const ChunkPlace& Place() const { return m_place; }
    // Where the file stands with the bytes of this chunk written so far.
    std::int64_t Reached() const;

private:
    int m_descriptor;
    std::int64_t m_fileSize;
    std::int64_t m_whole;
    ChunkPlace m_place;
    std::optional<CFileAnswerSink> m_file;
    Verdict m_refused = Verdict::NoHead;
};
