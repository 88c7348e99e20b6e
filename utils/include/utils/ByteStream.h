#pragma once
// A readable, seekable stream of bytes: what the PIM store hands out for item pictures, and what the
// whole-stream reader takes. Implementations decide who owns the bytes; callers own the stream object.

#include "utils/Status.h"

#include <cstdint>

enum class SeekOrigin { Begin, Current, End };

class CByteStream {
public:
    virtual ~CByteStream() = default;

    // Reads up to `size` bytes at the current position and advances it. A successful read of 0 bytes
    // means the end of the stream. `read` (may be null) receives the count, 0 on failure.
    virtual HRESULT Read(void* buffer, std::uint32_t size, std::uint32_t* read) = 0;

    // Moves the position to `offset` from `origin`. A target before the start fails with the position
    // unchanged; a target past the end is allowed (reads there give 0 bytes). `position` (may be null)
    // receives the new position.
    virtual HRESULT Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) = 0;

protected:
    CByteStream() = default;
    CByteStream(const CByteStream&) = default;
    CByteStream& operator=(const CByteStream&) = default;
};
