// FilesDownloadFromList: the files of a list come from the server one after the other, each chunk
// written where it belongs in a file staged beside its final name; the mapping of each fetched file to
// its local path goes back with the next request, and the last one's with a final "Map".

#include "service/TesselService.h"

#include "FileChunkSink.h"
#include "FileFolders.h"
#include "FileTransfer.h"
#include "ServiceLog.h"
#include "service/CReg_Api.h"
#include "service/FileKinds.h"
#include "service/FileListDocuments.h"
#include "service/ServerTransport.h"
#include "service/UI_Sync.h"
#include "utils/StagedFile.h"

#include <set>

namespace {

enum class Fetched : std::uint8_t { Whole, Failed, Stopped };

// The server's refusal of a chunk of a file that changed on the server since its download began: that
// file fails, the others of the list still come.
constexpr std::u16string_view kFileChangedErrorCode = u"424";

// One file of the list, fetched chunk by chunk into its staged file.
class CFileDownload {
public:
    CFileDownload(TesselService& service, HWND window, std::int32_t chunk)
        : m_service(service), m_window(window), m_chunk(chunk)
    {}

    // RES_OK with how the file went; RES_ERROR for an answer without its chunk place, a chunk body
    // shorter than announced (a cut connection) or a write that fails; or the result of a request
    // that failed.
    RETURNED_RES Fetch(const FILE_OBJECT& file, const FILE_OBJECT* mapped, CStagedFile& target, Fetched& fetched)
    {
        fetched = Fetched::Failed;
        ServerTransport& transport = *m_service.Transport();
        m_service.PrepareHTTPHeader(u"Download");
        transport.AddNumberHeader(u"QX-MediaID: ", file.id);
        // The previous file's local path reaches the server with this request.
        if (mapped) {
            if (mapped->id != 0)
                transport.AddNumberHeader(u"QX-MapID: ", mapped->id);
            transport.AddQuotedPrintableHeader(u"QX-FileName: ", mapped->path);
        }
        CStallWatch stall;
        CByteProgress bytes(m_window, static_cast<std::uint64_t>(file.size));
        // What the file holds from its start without a gap; the next chunk is asked from there.
        std::int64_t whole = 0;
        for (;;) {
            transport.AddNumberHeader(u"QX-MaxChunkSize: ", m_chunk);
            transport.AddNumberHeader(u"QX-ChunkOffset: ", static_cast<std::int32_t>(whole));
            if (StopRequested(fetched))
                return RES_OK;
            CChunkSink chunk(target.Descriptor(), file.size, whole);
            HttpTransfer transfer;
            transfer.answer = &chunk;
            transfer.progress = [&](const HttpProgress&) { bytes.Report(static_cast<std::uint64_t>(chunk.Reached())); };
            transfer.stopRequested = [] { return UI_Sync::GetInstanceUISync()->IsStopped(); };
            const RETURNED_RES result = m_service.ExecuteRequest(u"GET", transfer, kFileChangedErrorCode);
            if (StopRequested(fetched))
                return RES_OK;
            if (result != RES_OK)
                return result;
            if (const CChunkSink::Verdict verdict = chunk.Result(); verdict != CChunkSink::Verdict::Whole) {
                LogRefusal(chunk, file);
                // A chunk the server refused, misplaced or overfilled fails this file; an answer without
                // its chunk, a cut connection or a file that takes no more ends the transfer.
                if (verdict == CChunkSink::Verdict::Refused || verdict == CChunkSink::Verdict::Outside ||
                    verdict == CChunkSink::Verdict::Overlong)
                    return RES_OK;
                SERVICE_LOG_FAILURE(&m_service);
                return RES_ERROR;
            }
            whole = std::max(whole, chunk.Reached());
            bytes.Report(static_cast<std::uint64_t>(whole));
            if (!stall.Advanced(whole)) {
                LogLine(u"file download: the server let \"" + file.name + u"\" advance no further than " +
                        Utf8ToUtf16(std::to_string(whole)) + u" bytes");
                return RES_OK;
            }
            if (whole >= file.size) {
                fetched = Fetched::Whole;
                return RES_OK;
            }
            m_service.PrepareHTTPHeader(u"GetChunk");
            transport.AddNumberHeader(u"QX-MediaID: ", file.id);
        }
    }

private:
    static bool StopRequested(Fetched& fetched)
    {
        if (!UI_Sync::GetInstanceUISync()->IsStopped())
            return false;
        UI_Sync::GetInstanceUISync()->KillDialog();
        fetched = Fetched::Stopped;
        return true;
    }

    // Why a chunk was not taken whole.
    static void LogRefusal(const CChunkSink& chunk, const FILE_OBJECT& file)
    {
        const ChunkPlace& place = chunk.Place();
        switch (chunk.Result()) {
        case CChunkSink::Verdict::Whole:
            break;
        case CChunkSink::Verdict::Refused:
            LogLine(u"file download: the server refused a chunk of \"" + file.name + u"\" (QX-ErrorCode " +
                    std::u16string(kFileChangedErrorCode) + u"); the file changed on the server, skipped");
            break;
        case CChunkSink::Verdict::NoHead:
        case CChunkSink::Verdict::NoPlace:
            LogLine("file download: an answer without a number in QX-ChunkOffset and QX-ChunkSize");
            break;
        case CChunkSink::Verdict::Outside:
            LogLine(u"file download: the server placed a chunk of \"" + file.name + u"\" at " +
                    Utf8ToUtf16(std::to_string(place.offset)) + u" with " + Utf8ToUtf16(std::to_string(place.size)) +
                    u" bytes, outside the file");
            break;
        case CChunkSink::Verdict::Overlong:
            LogLine(u"file download: the server sent more of \"" + file.name + u"\" than the " +
                    Utf8ToUtf16(std::to_string(place.size)) + u" bytes of its QX-ChunkSize");
            break;
        case CChunkSink::Verdict::WriteFailed:
            LogLine("file download: a chunk cannot be written");
            break;
        case CChunkSink::Verdict::Short:
            LogLine("file download: a chunk body shorter than its QX-ChunkSize");
            break;
        }
    }

    TesselService& m_service;
    HWND m_window;
    std::int32_t m_chunk;
};

// The folders finished downloads were renamed into, each flushed once when the list is done, before
// the final "Map", and at the latest when the download ends any other way. Every file is flushed
// before its rename, so a crash never leaves a half-written file under its name; one that comes before
// the folder is flushed may undo a rename (the old file, or none, stays), at the cost of one folder
// flush per list rather than one per file, which doubled the disk waits of a list of small files.
class CFolderFlush {
public:
    CFolderFlush() = default;
    ~CFolderFlush() { Flush(); }
    CFolderFlush(const CFolderFlush&) = delete;
    CFolderFlush& operator=(const CFolderFlush&) = delete;

    void Add(const std::filesystem::path& file) { m_folders.insert(file.parent_path()); }
    void Flush()
    {
        for (const std::filesystem::path& folder : m_folders) {
            if (!SyncFolder(folder))
                LogLine(u"file download: the folder \"" + folder.u16string() + u"\" cannot be flushed to disk");
        }
        m_folders.clear();
    }

private:
    std::set<std::filesystem::path> m_folders;
};

// The local path a server file without one gets: its kind's download folder and its name. Nothing
// (and the file is skipped) when the name is empty, is no plain name, or has no kind that `kinds`
// takes.
std::optional<std::u16string> DownloadPath(const FILE_OBJECT& file, const CFileKindRules& kinds,
                                           const _SETTINGS_DEF& settings)
{
    std::u16string name = file.name;
    const std::optional<FILE_KIND> kind = kinds.KindOf(name);
    if (!kind)
        return std::nullopt;
    return std::u16string(kFileUrlPrefix) + settings.*FileKindTable()[*kind].downloadFolder + file.name;
}

} // namespace

RETURNED_RES TesselService::FilesDownloadFromList(HWND window, FileList& list, int selectedOnly, int allKinds)
{
    const _SETTINGS_DEF settings = m_settingsStore->Snapshot();
    CFileDownload download(*this, window, BoundedChunkSize(settings.File_Download_Chunk_Size, kDefaultChunkBytes));
    const CFilePathGuard guard(settings);
    const CFileKindRules kinds(settings, allKinds ? CFileKindRules::kAllKinds : CFileKindRules::SyncedKinds(settings));
    CTransferCounters counters(*this, u"files_added");
    const auto fetches = [selectedOnly](const FILE_OBJECT& file) { return selectedOnly != 1 || file.selected != 0; };
    const auto total = static_cast<std::int32_t>(std::count_if(list.begin(), list.end(), fetches));
    std::int32_t k = 0;
    const FILE_OBJECT* lastFetched = nullptr;
    CFolderFlush renamed;
    for (FILE_OBJECT& file : list) {
        if (!fetches(file) || (file.path.empty() && file.name.empty()))
            continue;
        if (file.path.empty()) {
            if (!IsPlainFileName(file.name)) {
                LogLine(u"file download: the server's file name \"" + file.name + u"\" is not a plain name; skipped");
                counters.CountFailed();
                continue;
            }
            const std::optional<std::u16string> path = DownloadPath(file, kinds, settings);
            if (!path)
                continue;
            file.path = *path;
        }
        ++k;
        const std::u16string local(LocalPathOf(file));
        ReportProgress(window, local, 100 * k / total);
        const std::optional<std::filesystem::path> host = guard.Confine(local);
        if (!host) {
            LogLine(u"file download: \"" + local + u"\" is not in a folder files are stored in; skipped");
            counters.CountFailed();
            continue;
        }
        if (file.status == u"deleted") {
            std::error_code error;
            if (!std::filesystem::is_directory(std::filesystem::symlink_status(*host, error)))
                std::filesystem::remove(*host, error);
            continue;
        }
        CStagedFile target;
        if (!target.Create(*host)) {
            LogLine(u"file download: \"" + local + u"\" cannot be written");
            counters.CountFailed();
            continue;
        }
        Fetched fetched = Fetched::Failed;
        const RETURNED_RES result = download.Fetch(file, lastFetched, target, fetched);
        if (result != RES_OK)
            return result;
        if (fetched == Fetched::Stopped)
            return RES_OK;
        if (fetched == Fetched::Failed || !target.Commit(CStagedFile::FolderSync::ByCaller)) {
            counters.CountFailed();
            continue;
        }
        renamed.Add(*host);
        counters.CountDone();
        lastFetched = &file;
    }
    if (!lastFetched)
        return RES_OK;
    renamed.Flush();
    const std::u16string map = MapDocument(*lastFetched);
    PrepareHTTPHeader(u"Map");
    m_transport->AddHeader(u"QX-CommandType: ", u"Files");
    const RETURNED_RES result = ExecuteRequest(u"POST", map);
    if (result != RES_OK)
        SERVICE_LOG_FAILURE(this);
    return result;
}
