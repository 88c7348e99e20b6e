#pragma once
// A byte stream over bytes held in memory: pictures built in memory and test doubles of store streams.
// It owns a copy of its bytes. Not shared between threads.

#include "utils/ByteStream.h"

#include <string>
#include <string_view>
#include <utility>

class CMemoryStream final : public CByteStream {
public:
    CMemoryStream() = default;
    explicit CMemoryStream(std::string bytes) : m_bytes(std::move(bytes)) {}

    HRESULT Read(void* buffer, std::uint32_t size, std::uint32_t* read) override;
    HRESULT Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) override;

    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
    std::uint64_t m_position = 0;
};
