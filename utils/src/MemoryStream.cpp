#include "utils/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

HRESULT CMemoryStream::Read(void* buffer, std::uint32_t size, std::uint32_t* read)
{
    if (read)
        *read = 0;
    if (size > 0 && !buffer)
        return E_FAIL;
    const std::uint64_t available = m_position < m_bytes.size() ? m_bytes.size() - m_position : 0;
    const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, available));
    if (count > 0)
        std::memcpy(buffer, m_bytes.data() + m_position, count);
    m_position += count;
    if (read)
        *read = count;
    return S_OK;
}

HRESULT CMemoryStream::Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position)
{
    std::uint64_t base = 0;
    switch (origin) {
    case SeekOrigin::Begin:
        base = 0;
        break;
    case SeekOrigin::Current:
        base = m_position;
        break;
    case SeekOrigin::End:
        base = m_bytes.size();
        break;
    }
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const bool beforeStart = offset < 0 && static_cast<std::uint64_t>(-(offset + 1)) + 1 > base;
    const bool overflows = offset > 0 && static_cast<std::uint64_t>(offset) > kMax - base;
    if (beforeStart || overflows) {
        if (position)
            *position = m_position;
        return E_FAIL;
    }
    m_position = offset < 0 ? base - (static_cast<std::uint64_t>(-(offset + 1)) + 1)
                            : base + static_cast<std::uint64_t>(offset);
    if (position)
        *position = m_position;
    return S_OK;
}
