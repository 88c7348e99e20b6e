// FilesUploadFromList: the files of a list go to the server one after the other, each in chunks read
// from the file as they are sent.

#include "service/TesselService.h"

#include "FileFolders.h"
#include "FileTransfer.h"
#include "ServiceLog.h"
#include "service/CReg_Api.h"
#include "service/ServerTransport.h"
#include "service/UI_Sync.h"
#include "utils/StagedFile.h"

#include <vector>

namespace {

enum class Sent : std::uint8_t { Whole, Failed, Stopped };

// One file of the list, sent in chunks at the offsets the server asks for.
class CFileUpload {
public:
    CFileUpload(TesselService& service, HWND window, std::int32_t chunk)
        : m_service(service), m_window(window), m_chunk(chunk), m_buffer(static_cast<std::size_t>(chunk))
    {}

    // RES_OK with how the file went, or the result of a request that failed.
    RETURNED_RES Send(const CReadOnlyFile& source, std::u16string_view localPath, Sent& sent)
    {
        sent = Sent::Failed;
        const auto size = static_cast<std::int64_t>(source.Size());
        const std::size_t slash = localPath.rfind(u'/');
        const std::u16string_view directory = localPath.substr(0, slash + 1);
        const std::u16string_view name = localPath.substr(slash + 1);
        ServerTransport& transport = *m_service.Transport();
        CStallWatch stall;
        CByteProgress bytes(m_window, static_cast<std::uint64_t>(size));
        std::int64_t offset = 0;
        while (offset < size) {
            const std::size_t wanted = static_cast<std::size_t>(std::min<std::int64_t>(m_chunk, size - offset));
            const std::optional<std::size_t> read =
                source.ReadAt(static_cast<std::uint64_t>(offset), std::span(m_buffer.data(), wanted));
            if (!read || *read == 0) {
                LogLine(u"file upload: \"" + std::u16string(localPath) + u"\" cannot be read at " +
                        Utf8ToUtf16(std::to_string(offset)));
                return RES_OK;
            }
            if (UI_Sync::GetInstanceUISync()->IsStopped()) {
                UI_Sync::GetInstanceUISync()->KillDialog();
                sent = Sent::Stopped;
                return RES_OK;
            }
            m_service.PrepareHTTPHeader(u"Upload");
            transport.AddQuotedPrintableHeader(u"QX-Directory: ", directory);
            transport.AddQuotedPrintableHeader(u"QX-FileName: ", name);
            transport.AddNumberHeader(u"QX-TotalSize: ", static_cast<std::int32_t>(size));
            transport.AddNumberHeader(u"QX-ChunkOffset: ", static_cast<std::int32_t>(offset));
            transport.AddNumberHeader(u"QX-ChunkSize: ", static_cast<std::int32_t>(*read));
            transport.AddNumberHeader(u"QX-MaxChunkSize: ", m_chunk);
            const RETURNED_RES result = m_service.ExecuteRequest(u"POST", std::span(m_buffer.data(), *read));
            if (result != RES_OK)
                return result;
            offset += static_cast<std::int64_t>(*read);
            if (const std::optional<std::int32_t> chunk = HeaderNumber(transport, u"QX-MaxChunkSize"))
                TakeChunkSize(*chunk);
            // The server may move the offset back (a chunk to send again) or ahead (what it already has).
            if (const std::optional<std::int32_t> moved = HeaderNumber(transport, u"QX-ChunkOffset")) {
                if (*moved < 0) {
                    LogLine(u"file upload: the server moved \"" + std::u16string(localPath) +
                            u"\" to a negative offset");
                    return RES_OK;
                }
                offset = std::min<std::int64_t>(*moved, size);
            }
            bytes.Report(static_cast<std::uint64_t>(offset));
            if (!stall.Advanced(offset)) {
                LogLine(u"file upload: the server let \"" + std::u16string(localPath) + u"\" advance no further than " +
                        Utf8ToUtf16(std::to_string(offset)) + u" bytes");
                return RES_OK;
            }
        }
        sent = Sent::Whole;
        return RES_OK;
    }

private:
    void TakeChunkSize(std::int32_t size)
    {
        m_chunk = BoundedChunkSize(size, m_chunk);
        if (m_buffer.size() < static_cast<std::size_t>(m_chunk))
            m_buffer.resize(static_cast<std::size_t>(m_chunk));
    }

    TesselService& m_service;
    HWND m_window;
    std::int32_t m_chunk;
    std::vector<std::uint8_t> m_buffer;
};

} // namespace

RETURNED_RES TesselService::FilesUploadFromList(HWND window, FileList& list, int all)
{
    const _SETTINGS_DEF settings = m_settingsStore->Snapshot();
    CFileUpload upload(*this, window, BoundedChunkSize(settings.File_Chunk_Size, kDefaultChunkBytes));
    const CFilePathGuard guard(settings);
    CTransferCounters counters(*this, u"files_uploaded");
    const auto sends = [all](const FILE_OBJECT& file) { return all != 0 || file.selected != 0; };
    const auto total = static_cast<std::int32_t>(std::count_if(list.begin(), list.end(), sends));
    std::int32_t k = 0;
    for (const FILE_OBJECT& file : list) {
        if (!sends(file))
            continue;
        ++k;
        const std::u16string local(LocalPathOf(file));
        const std::optional<std::filesystem::path> host = guard.Confine(local);
        CReadOnlyFile source;
        if (!host || !source.Open(*host) || source.Size() > static_cast<std::uint64_t>(INT32_MAX)) {
            LogLine(u"file upload: \"" + local +
                    (host ? u"\" cannot be read, or is larger than 2 GiB"
                          : u"\" is not in a folder files are sent from; skipped"));
            counters.CountFailed();
            continue;
        }
        ReportProgress(window, local, 100 * k / total);
        Sent sent = Sent::Failed;
        const RETURNED_RES result = upload.Send(source, local, sent);
        if (result != RES_OK) {
            SERVICE_LOG_FAILURE(this);
            return result;
        }
        if (sent == Sent::Stopped)
            return RES_OK;
        if (sent == Sent::Whole)
            counters.CountDone();
        else
            counters.CountFailed();
    }
    return RES_OK;
}
