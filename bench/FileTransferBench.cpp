// Files up and down against lumeno-refserver on loopback: the handset's flows (FilesUploadFromList,
// FilesDownloadFromList) against libcurl moving the same bytes with the same requests and the same
// chunk size in a session of the same server, in the same run. Two loads: one 1 GiB file, and 2,000
// files of 200 KB. Each prints its throughput; the flows also print the handset's peak resident memory
// over their run, which must stay under 64 MiB whatever the file size. The ratios (flows / curl) come
// at the end of the run. One iteration each: the server keeps what it was sent, so a second iteration
// would move other bytes; each case runs twice instead (see the registration at the end).
//
//   build/bench/lumeno_bench --benchmark_filter='BM_(Files|Curl)'
//
// Needs about 7 GiB of free disk in the temporary folder for the files, the server's copies and the
// downloads; everything is removed at the end.
#include "BenchRatio.h"
#include "ProcessUsage.h"
#include "RefServerProcess.h"
#include "platform/DeviceConfig.h"
#include "platform/Registry.h"
#include "service/CBrandingGuide.h"
#include "service/CLog_File.h"
#include "service/CReg_Api.h"
#include "service/ServerTransport.h"
#include "service/TesselService.h"
#include "service/UI_Sync.h"
#include "testing/TempDir.h"
#include "utils/Utf.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kChunkBytes = 102400; // the default of both chunk settings
constexpr double kPeakLimitMiB = 64;
constexpr char kImei[] = "356938035643809123";
constexpr char kDeviceId[] = "3569380356438091";

struct Load {
    const char* folder;
    const char* extension;
    int files;
    std::uint64_t bytes; // of each file
};

constexpr Load kLoads[] = {
    {"big", "mp4", 1, 1ull << 30},
    {"many", "mp3", 2000, 200 * 1024},
};

// Writes a file of `size` bytes of a pattern that differs from file to file, a block at a time.
bool WritePatternFile(const fs::path& path, std::uint64_t size, unsigned seed)
{
    std::array<std::uint8_t, 1 << 16> block{};
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>((i * 131 + seed * 7) >> 3);
    std::ofstream out(path, std::ios::binary);
    for (std::uint64_t written = 0; out && written < size; written += block.size())
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(std::min<std::uint64_t>(block.size(), size - written)));
    return static_cast<bool>(out);
}

// The handset, the server and the files, made on first use and kept for the whole run.
class CTransferBench {
public:
    static CTransferBench& Get()
    {
        static CTransferBench bench;
        return bench;
    }

    const std::string& Error() const { return m_error; }
    std::string BaseUrl() const { return m_server->BaseUrl(); }
    bool HasServer() const { return m_server != nullptr; }
    TesselService& Service() { return *m_service; }
    fs::path SourceFolder(const Load& load) const { return m_documents / load.folder; }
    fs::path CurlFolder(const Load& load) const { return m_folder.Path() / "curl" / load.folder; }

    // A new, empty server with this handset on an account: each upload starts from the same state, as
    // what the server holds slows its answers down. False (the reason in Error()) when it did not start.
    bool FreshServer()
    {
        if (m_service)
            m_service->DisconnectServer();
        m_server = std::make_unique<CRefServerProcess>();
        if (!m_server->Start())
            return Fail(m_server->Error());
        const AdminReply added = m_server->Admin().Call("add-account", {{"device", kDeviceId}});
        if (!added.Ok() || added.records.empty())
            return Fail("add-account: " + added.error);
        m_service = TesselService::InitService();
        CReg_Api& settings = *CReg_Api::GetInstanceReg();
        const AdminRecord& account = added.records.front();
        settings.Set(&_SETTINGS_DEF::Ukey, Utf8ToUtf16(account.GetOr("ukey")));
        settings.Set(&_SETTINGS_DEF::QX_key, Utf8ToUtf16(account.GetOr("device-key")));
        settings.Set(&_SETTINGS_DEF::UserId, Utf8ToUtf16(account.GetOr("user-id")));
        settings.Set(&_SETTINGS_DEF::Config_Version, Utf8ToUtf16(account.GetOr("config-version")));
        settings.Set(&_SETTINGS_DEF::URL, Utf8ToUtf16(m_server->ServerUrl()));
        if (m_service->ConnectServer() != 1 || !OpenSession(u"Sync") || !CloseSession())
            return Fail("no session with the server");
        // The settings the server sent, with the chunk sizes the curl side uses too.
        settings.WithSettings([](_SETTINGS_DEF& values) {
            values.File_Chunk_Size = values.File_Download_Chunk_Size = kChunkBytes;
            values.Extensions_Video = u"mp4";
            values.Extensions_Audio = u"mp3";
        });
        return true;
    }

    // Both sides fetch into empty folders: the files an earlier round left there would make the next
    // round replace files rather than write new ones.
    void ClearDownloads() const
    {
        std::vector<fs::path> folders = {m_documents / "My Music", m_documents / "My Videos"};
        for (const Load& load : kLoads)
            folders.push_back(CurlFolder(load));
        for (const fs::path& folder : folders) {
            fs::remove_all(folder);
            fs::create_directories(folder);
        }
    }

    // A session of `operation` with files only; false when the server did not take it.
    bool OpenSession(std::u16string_view operation)
    {
        RETURNED_RES result = m_service->StartNegotiation(0);
        if (result == RES_SETTINGS_REQUIRED)
            result = m_service->ConfigVersionFlow(0);
        return result == RES_OK && m_service->CompleteNegotiation(operation, 0, 0, 0, 1, 0) == RES_OK;
    }
    bool CloseSession() { return m_service->CompleteSession() == RES_OK; }

    // The server's files of a load, by id.
    std::map<std::int32_t, FILE_OBJECT> ServerFiles(const Load& load)
    {
        std::map<std::int32_t, FILE_OBJECT> files;
        FileList list;
        if (m_service->FilesListFlow(0, u"ListDevice", list, 0) != RES_OK)
            return files;
        const std::u16string extension = Utf8ToUtf16(std::string(".") + load.extension);
        for (FILE_OBJECT& file : list) {
            if (file.name.ends_with(extension))
                files.emplace(file.id, file);
        }
        return files;
    }

private:
    CTransferBench()
    {
        ::setenv("LUMENO_DEVICE_ROOT", m_folder.Path().c_str(), 1);
        CRegistry::UseStore(m_folder.Path() / "data" / "registry.db");
        for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
                 {"manufacturer", "Maker"}, {"imei", kImei}, {"push-address", "127.0.0.1"}, {"push-port", "0"}})
            CDeviceConfig::Set(key, value);
        m_documents = m_folder.Path() / "My Documents";
        for (const Load& load : kLoads) {
            fs::create_directories(SourceFolder(load));
            fs::create_directories(CurlFolder(load));
            for (int i = 0; i < load.files; ++i) {
                if (!WritePatternFile(SourceFolder(load) / (std::to_string(i) + "." + load.extension), load.bytes,
                                      static_cast<unsigned>(i))) {
                    m_error = "cannot write the files to send";
                    return;
                }
            }
        }
    }

    ~CTransferBench()
    {
        if (m_service)
            m_service->DisconnectServer();
        TesselService::ReleaseService();
        CReg_Api::Release();
        CBrandingGuide::Release();
        UI_Sync::Release();
        CRegistry::UseStore({});
        if (m_server)
            m_server->Stop();
    }

    bool Fail(std::string error)
    {
        m_error = std::move(error);
        return false;
    }

    TempDir m_folder;
    std::unique_ptr<CRefServerProcess> m_server;
    TesselService* m_service = nullptr;
    fs::path m_documents;
    std::string m_error;
};

// libcurl on one kept-alive connection, sending the requests the flows send: the session's address,
// the header block the service prepares, the chunk's bytes read from the file (or written into it) at
// their offset.
class CCurlTransfer {
public:
    explicit CCurlTransfer(TesselService& service) : m_service(service), m_curl(curl_easy_init())
    {
        curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &CCurlTransfer::OnBody);
        curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &CCurlTransfer::OnHeader);
        curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, &CCurlTransfer::OnRead);
        curl_easy_setopt(m_curl, CURLOPT_READDATA, this);
    }
    ~CCurlTransfer() { curl_easy_cleanup(m_curl); }
    CCurlTransfer(const CCurlTransfer&) = delete;
    CCurlTransfer& operator=(const CCurlTransfer&) = delete;

    // Sends the file in chunks as "Upload"s under `directory`; false when a request failed.
    bool Upload(const fs::path& file, const std::string& directory)
    {
        m_fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        const auto size = static_cast<std::int64_t>(fs::file_size(file));
        bool sent = m_fd >= 0;
        for (std::int64_t offset = 0; sent && offset < size;) {
            const std::int64_t chunk = std::min<std::int64_t>(kChunkBytes, size - offset);
            m_service.PrepareHTTPHeader(u"Upload");
            ServerTransport& transport = *m_service.Transport();
            transport.AddQuotedPrintableHeader(u"QX-Directory: ", Utf8ToUtf16(directory));
            transport.AddQuotedPrintableHeader(u"QX-FileName: ", file.filename().u16string());
            transport.AddNumberHeader(u"QX-TotalSize: ", static_cast<std::int32_t>(size));
            transport.AddNumberHeader(u"QX-ChunkOffset: ", static_cast<std::int32_t>(offset));
            transport.AddNumberHeader(u"QX-ChunkSize: ", static_cast<std::int32_t>(chunk));
            transport.AddNumberHeader(u"QX-MaxChunkSize: ", kChunkBytes);
            m_position = offset;
            m_end = offset + chunk;
            sent = Send(true, chunk);
            offset = m_headerOffset.value_or(offset + chunk);
        }
        ::close(m_fd);
        return sent;
    }

    // Fetches the server file `id` of `size` bytes into `file`: "Download", then "GetChunk"s. Like the
    // flow, the "Download" names the file fetched before it (the mapping the server records).
    bool Download(std::int32_t id, std::int64_t size, const fs::path& file)
    {
        m_fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        bool fetched = m_fd >= 0;
        std::int64_t offset = 0;
        for (bool first = true; fetched && (first || offset < size); first = false) {
            m_service.PrepareHTTPHeader(first ? u"Download" : u"GetChunk");
            ServerTransport& transport = *m_service.Transport();
            transport.AddNumberHeader(u"QX-MediaID: ", id);
            if (first && m_lastId != 0) {
                transport.AddNumberHeader(u"QX-MapID: ", m_lastId);
                transport.AddQuotedPrintableHeader(u"QX-FileName: ", m_lastUrl);
            }
            transport.AddNumberHeader(u"QX-MaxChunkSize: ", kChunkBytes);
            transport.AddNumberHeader(u"QX-ChunkOffset: ", static_cast<std::int32_t>(offset));
            m_position = offset;
            fetched = Send(false, 0);
            offset = m_position;
        }
        fetched = fetched && ::fsync(m_fd) == 0;
        ::close(m_fd);
        m_lastId = id;
        m_lastUrl = u"file:///My Documents/curl/" + file.filename().u16string();
        return fetched;
    }

private:
    bool Send(bool upload, std::int64_t bodyBytes)
    {
        ServerTransport& transport = *m_service.Transport();
        const std::string block = Utf16ToUtf8(transport.HeaderBlock());
        curl_slist* headers = nullptr;
        for (std::size_t start = 0; start < block.size();) {
            std::size_t end = block.find("\r\n", start);
            if (end == std::string::npos)
                end = block.size();
            if (end > start)
                headers = curl_slist_append(headers, block.substr(start, end - start).c_str());
            start = end + 2;
        }
        headers = curl_slist_append(headers, "Expect:");
        // The address of a request in a session, with a tick that differs from request to request.
        const std::string address = m_base + Utf16ToUtf8(transport.ObjectPath()) + "/" +
                                    std::to_string(++m_requests) + ";" + Utf16ToUtf8(transport.SessionId());
        curl_easy_setopt(m_curl, CURLOPT_URL, address.c_str());
        curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 0L);
        curl_easy_setopt(m_curl, CURLOPT_HTTPGET, upload ? 0L : 1L);
        if (upload) {
            curl_easy_setopt(m_curl, CURLOPT_POST, 1L);
            curl_easy_setopt(m_curl, CURLOPT_POSTFIELDS, nullptr);
            curl_easy_setopt(m_curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bodyBytes));
        }
        m_headerOffset.reset();
        m_chunkOffset.reset();
        long status = 0;
        const CURLcode code = curl_easy_perform(m_curl);
        curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &status);
        curl_slist_free_all(headers);
        return code == CURLE_OK && status == 200;
    }

    static std::size_t OnRead(char* buffer, std::size_t size, std::size_t count, void* self)
    {
        auto& transfer = *static_cast<CCurlTransfer*>(self);
        const std::int64_t wanted = std::min<std::int64_t>(static_cast<std::int64_t>(size * count),
                                                           transfer.m_end - transfer.m_position);
        const ssize_t got = ::pread(transfer.m_fd, buffer, static_cast<std::size_t>(wanted), transfer.m_position);
        if (got < 0)
            return CURL_READFUNC_ABORT;
        transfer.m_position += got;
        return static_cast<std::size_t>(got);
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto& transfer = *static_cast<CCurlTransfer*>(self);
        const std::size_t bytes = size * count;
        if (transfer.m_chunkOffset) {
            // A download chunk: at the offset the answer names.
            if (::pwrite(transfer.m_fd, data, bytes, *transfer.m_chunkOffset) != static_cast<ssize_t>(bytes))
                return 0;
            *transfer.m_chunkOffset += static_cast<std::int64_t>(bytes);
            transfer.m_position = *transfer.m_chunkOffset;
        }
        return bytes;
    }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto& transfer = *static_cast<CCurlTransfer*>(self);
        const std::string line(data, size * count);
        constexpr std::string_view kOffset = "QX-ChunkOffset: ";
        if (line.size() > kOffset.size() && strncasecmp(line.data(), kOffset.data(), kOffset.size()) == 0) {
            const std::int64_t offset = std::stoll(line.substr(kOffset.size()));
            transfer.m_headerOffset = offset;
            transfer.m_chunkOffset = offset;
        }
        return size * count;
    }

public:
    void SetBase(std::string base) { m_base = std::move(base); }

private:
    TesselService& m_service;
    CURL* m_curl;
    std::string m_base;
    int m_fd = -1;
    std::int64_t m_position = 0;
    std::uint32_t m_requests = 0;
    std::int32_t m_lastId = 0;
    std::u16string m_lastUrl;
    std::int64_t m_end = 0;
    std::optional<std::int64_t> m_headerOffset;
    std::optional<std::int64_t> m_chunkOffset;
};

void Finish(benchmark::State& state, const Load& load, bool flows, double peak)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * load.files * load.bytes));
    state.SetLabel(std::to_string(load.files) + " x " + std::to_string(load.bytes >> 10) + " KiB");
    if (!flows)
        return;
    state.counters["peak_rss_MiB"] = peak;
    if (peak >= kPeakLimitMiB)
        state.SkipWithError("the handset's peak resident memory reached 64 MiB");
}

// The bench and the load of a benchmark, ready to run; nothing (the benchmark skipped) when it could not
// be set up. An upload gets a new, empty server; a download fetches what the last upload left there.
// Both sides start from the same quiet machine (and a download from empty folders): the bytes earlier cases left dirty in the page cache are
// written out first, so their writeback is not timed in whichever case comes next.
CTransferBench* Prepare(benchmark::State& state, bool upload)
{
    CTransferBench& bench = CTransferBench::Get();
    std::string error = bench.Error();
    if (error.empty() && upload && !bench.FreshServer())
        error = bench.Error();
    if (error.empty() && !upload && !bench.HasServer())
        error = "no upload ran before: the server holds nothing to fetch";
    if (error.empty() && !upload)
        bench.ClearDownloads();
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return nullptr;
    }
    ::sync();
    ResetPeakResident();
    return &bench;
}

// Whether the flows' summary counted every file of the load, so a run that lost files is not timed.
bool CountedAll(TesselService& service, const char16_t* counter, const Load& load)
{
    std::uint32_t counted = 0;
    service.SummaryGetMsg(counter, REG_TYPE_DWORD, &counted, nullptr);
    return static_cast<int>(counted) == load.files;
}

void BM_FilesUpload(benchmark::State& state)
{
    CTransferBench* bench = Prepare(state, true);
    if (!bench)
        return;
    const Load& load = kLoads[state.range(0)];
    for (auto _ : state) {
        TesselService& service = bench->Service();
        // The scan is no request: curl's side has none to match it.
        state.PauseTiming();
        FileList list;
        bool sent = service.FilesGetList(list, 1, 1, 1, 1) == RES_OK;
        std::erase_if(list, [&](const FILE_OBJECT& file) {
            return file.path.find(Utf8ToUtf16("/" + std::string(load.folder) + "/")) == std::u16string::npos;
        });
        state.ResumeTiming();
        sent = sent && bench->OpenSession(u"Upload") && static_cast<int>(list.size()) == load.files &&
               service.FilesUploadFromList(0, list, 1) == RES_OK && bench->CloseSession();
        if (!sent || !CountedAll(service, u"files_uploaded", load)) {
            state.SkipWithError("the upload failed");
            return;
        }
    }
    Finish(state, load, true, PeakResidentMiB());
}

void BM_CurlUpload(benchmark::State& state)
{
    CTransferBench* bench = Prepare(state, true);
    if (!bench)
        return;
    const Load& load = kLoads[state.range(0)];
    for (auto _ : state) {
        CCurlTransfer curl(bench->Service());
        curl.SetBase(bench->BaseUrl());
        bool sent = bench->OpenSession(u"Upload");
        for (int i = 0; sent && i < load.files; ++i)
            sent = curl.Upload(bench->SourceFolder(load) / (std::to_string(i) + "." + load.extension),
                               "file:///My Documents/curl-" + std::string(load.folder) + "/");
        if (!sent || !bench->CloseSession()) {
            state.SkipWithError("the curl upload failed");
            return;
        }
    }
    Finish(state, load, false, 0);
}

void BM_FilesDownload(benchmark::State& state)
{
    CTransferBench* bench = Prepare(state, false);
    if (!bench)
        return;
    const Load& load = kLoads[state.range(0)];
    for (auto _ : state) {
        TesselService& service = bench->Service();
        bool fetched = bench->OpenSession(u"Download");
        FileList list;
        for (auto& [id, file] : bench->ServerFiles(load)) {
            // Into the download folder of its kind, not over the file it came from.
            file.path.clear();
            file.selected = 1;
            list.push_back(file);
        }
        fetched = fetched && static_cast<int>(list.size()) == load.files &&
                  service.FilesDownloadFromList(0, list, 1, 1) == RES_OK && bench->CloseSession();
        if (!fetched || !CountedAll(service, u"files_added", load)) {
            state.SkipWithError("the download failed");
            return;
        }
    }
    Finish(state, load, true, PeakResidentMiB());
}

void BM_CurlDownload(benchmark::State& state)
{
    CTransferBench* bench = Prepare(state, false);
    if (!bench)
        return;
    const Load& load = kLoads[state.range(0)];
    for (auto _ : state) {
        CCurlTransfer curl(bench->Service());
        curl.SetBase(bench->BaseUrl());
        bool fetched = bench->OpenSession(u"Download");
        const std::map<std::int32_t, FILE_OBJECT> files = bench->ServerFiles(load);
        fetched = fetched && static_cast<int>(files.size()) == load.files;
        for (const auto& [id, file] : files) {
            if (!fetched)
                break;
            fetched = curl.Download(id, file.size, bench->CurlFolder(load) / file.name);
        }
        if (!fetched || !bench->CloseSession()) {
            state.SkipWithError("the curl download failed");
            return;
        }
    }
    Finish(state, load, false, 0);
}

// Per load and direction, each side twice in the order flows, curl, curl, flows, so that neither gains
// from coming first or last (a ratio per round, and their mean); every upload goes to a new server, and
// the downloads fetch what the last upload left there.
const bool s_registered = [] {
    struct Side {
        const char* name;
        void (*run)(benchmark::State&);
    };
    const std::pair<Side, Side> directions[] = {
        {{"BM_FilesUpload", BM_FilesUpload}, {"BM_CurlUpload", BM_CurlUpload}},
        {{"BM_FilesDownload", BM_FilesDownload}, {"BM_CurlDownload", BM_CurlDownload}},
    };
    for (std::int64_t load = 0; load < static_cast<std::int64_t>(std::size(kLoads)); ++load) {
        for (const auto& [flows, curl] : directions) {
            for (const auto& [side, round] : {std::pair{flows, 0}, {curl, 0}, {curl, 1}, {flows, 1}})
                benchmark::RegisterBenchmark(side.name, side.run)
                    ->Args({load, round})
                    ->Iterations(1)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
        }
    }
    return true;
}();

const bool s_uploadRatio = RegisterThroughputRatio({"files upload / curl", "BM_FilesUpload", "BM_CurlUpload"});
const bool s_downloadRatio =
    RegisterThroughputRatio({"files download / curl", "BM_FilesDownload", "BM_CurlDownload"});

} // namespace
