#include "FileTransfer.h"

#include "platform/Clock.h"
#include "service/Messages.h"
#include "service/ServerTransport.h"
#include "service/TesselService.h"
#include "utils/Decimal.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kByteProgressPeriodMs = 100;

} // namespace

std::int32_t BoundedChunkSize(std::int32_t size, std::int32_t fallback)
{
    if (size <= 0)
        return fallback;
    return std::min(size, kMaxChunkBytes);
}

std::optional<std::int32_t> HeaderNumber(const ServerTransport& transport, std::u16string_view name)
{
    std::u16string value;
    if (!transport.QueryHeader(name, value))
        return std::nullopt;
    return ReadDecimalInt32(value);
}

bool CStallWatch::Advanced(std::int64_t position)
{
    if (position > m_furthest) {
        m_furthest = position;
        m_stalled = 0;
        return true;
    }
    return ++m_stalled < kMaxRequestsWithoutProgress;
}

CByteProgress::CByteProgress(HWND window, std::uint64_t total) : m_window(window), m_total(total) {}

void CByteProgress::Report(std::uint64_t done)
{
    const std::uint32_t now = CClock::Get().TickCount();
    if (m_reported && done < m_total && now - m_lastTick < kByteProgressPeriodMs)
        return;
    m_reported = true;
    m_lastTick = now;
    PostMessage(m_window, WM_SYNC_BYTE_PROGRESS, static_cast<WPARAM>(done), static_cast<LPARAM>(m_total));
}

CTransferCounters::CTransferCounters(TesselService& service, std::u16string_view doneName)
    : m_service(service), m_doneName(doneName)
{}

CTransferCounters::~CTransferCounters()
{
    m_service.SummarySet(m_doneName, REG_TYPE_DWORD, &m_done, nullptr);
    m_service.SummarySet(u"files_failed", REG_TYPE_DWORD, &m_failed, nullptr);
}
