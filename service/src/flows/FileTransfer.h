#pragma once
// What the upload and the download of files share: the bounds of a chunk, the watch over offsets that
// stop advancing, the byte progress of the current file, and the counters of a transfer.
//
// Worker thread; plain values.

#include "platform/Window.h"

#include <cstdint>
#include <optional>
#include <string_view>

class ServerTransport;
class TesselService;

// The chunk size when the setting is 0 (or not a size), and the ceiling of any chunk size a setting or
// the server names: a chunk is one buffer, so no peer may make it large.
inline constexpr std::int32_t kDefaultChunkBytes = 102400;
inline constexpr std::int32_t kMaxChunkBytes = 8 * 1024 * 1024;

// A chunk size from a setting or a server header, bounded to 1 .. kMaxChunkBytes; `fallback` when it
// is 0 or negative.
std::int32_t BoundedChunkSize(std::int32_t size, std::int32_t fallback);

// A number the latest answer gives in that header ("%d"); nothing when absent or not a number.
std::optional<std::int32_t> HeaderNumber(const ServerTransport& transport, std::u16string_view name);

// Counts the requests of one file that do not move its transfer past the furthest point reached, so
// that a peer that never lets a file advance ends it instead of keeping the client in a loop.
class CStallWatch {
public:
    static constexpr int kMaxRequestsWithoutProgress = 16;
    // Notes where the transfer stands after a request; false once it has not passed the furthest
    // point for kMaxRequestsWithoutProgress requests in a row.
    bool Advanced(std::int64_t position);

private:
    std::int64_t m_furthest = 0;
    int m_stalled = 0;
};

// Posts WM_SYNC_BYTE_PROGRESS for the current file to the progress window, at most every 100 ms and
// always at the file's end, so that a fast transfer does not flood the user interface.
class CByteProgress {
public:
    CByteProgress(HWND window, std::uint64_t total);
    void Report(std::uint64_t done);

private:
    HWND m_window;
    std::uint64_t m_total;
    std::uint32_t m_lastTick = 0;
    bool m_reported = false;
};

// The counters of a transfer, written to the summary when the transfer ends, however it ends.
class CTransferCounters {
public:
    CTransferCounters(TesselService& service, std::u16string_view doneName);
    ~CTransferCounters();
    CTransferCounters(const CTransferCounters&) = delete;
    CTransferCounters& operator=(const CTransferCounters&) = delete;

    void CountDone() { ++m_done; }
    void CountFailed() { ++m_failed; }

private:
    TesselService& m_service;
    std::u16string_view m_doneName;
    std::uint32_t m_done = 0;
    std::uint32_t m_failed = 0;
};
