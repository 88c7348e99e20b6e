#include "data/MediaLibrary.h"

#include "ServerLog.h"
#include "ServerTime.h"

#include <algorithm>

namespace {

// Devices whose listed revisions are remembered at once.
constexpr std::size_t kMaxListedDevices = 256;
// Sessions whose download in progress is remembered at once; past that, the oldest is forgotten first
// and its next chunk refused.
constexpr std::size_t kMaxOpenDownloads = 1024;

template <typename Record, typename Key>
std::unordered_map<Key, Record*> IndexOf(std::vector<Record>& records, Key Record::*key)
{
    std::unordered_map<Key, Record*> index;
    for (Record& record : records)
        index.emplace(record.*key, &record);
    return index;
}

} // namespace

CMediaLibrary::CMediaLibrary(CMediaStore& store, std::filesystem::path folder)
    : m_store(store), m_folder(std::move(folder))
{}

std::string CMediaLibrary::ListedRevision(const MediaScope& scope, const std::string& url) const
{
    const auto device = m_listed.find(scope.deviceId);
    if (device == m_listed.end())
        return {};
    const auto listed = device->second.find(url);
    return listed == device->second.end() ? std::string() : listed->second;
}

std::optional<std::vector<MediaListEntry>> CMediaLibrary::List(const MediaScope& scope, MediaListing listing,
                                                               std::span<const DeviceFile> deviceFiles)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_listed.size() >= kMaxListedDevices && m_listed.count(scope.deviceId) == 0)
        m_listed.clear();
    if (!deviceFiles.empty()) {
        auto& listed = m_listed[scope.deviceId];
        listed.clear();
        for (const DeviceFile& file : deviceFiles)
            listed[file.url] = file.revision;
    }
    std::vector<MediaFile> files = m_store.MediaFiles(scope.userId);
    std::vector<MediaCopy> copies = m_store.MediaCopies(scope.userId, scope.deviceId);
    const auto fileById = IndexOf(files, &MediaFile::id);
    const auto copyByUrl = IndexOf(copies, &MediaCopy::url);
    const auto copyById = IndexOf(copies, &MediaCopy::id);

    std::vector<MediaListEntry> entries;
    if (listing == MediaListing::WantedUploads) {
        for (const DeviceFile& listed : deviceFiles) {
            const auto copy = copyByUrl.find(listed.url);
            const MediaFile* file = nullptr;
            if (copy != copyByUrl.end() && fileById.count(copy->second->id) != 0)
                file = fileById.at(copy->second->id);
            if (listed.size == 0 || (file && file->deleted))
                continue;
            if (file && copy->second->revision.empty() && listed.size == file->size) {
                // A copy the device received: from now on it is known by the revision the device gave it.
                copy->second->revision = listed.revision;
                if (!m_store.SaveMediaCopy(scope.userId, scope.deviceId, *copy->second))
                    return std::nullopt;
                continue;
            }
            if (file && copy->second->revision == listed.revision)
                continue;
            entries.push_back({file ? file->id : 0,
                               FileNameOfUrl(listed.url),
                               listed.size,
                               listed.url,
                               file ? "changed" : "new",
                               {}});
        }
        return entries;
    }
    for (const MediaFile& file : files) {
        const auto copy = copyById.find(file.id);
        const bool held = copy != copyById.end();
        if (file.deleted) {
            if (listing != MediaListing::NewOnServer || !held)
                continue;
            entries.push_back({file.id, file.name, file.size, copy->second->url, "deleted", {}});
            // Offered once: the device deletes its copy, or keeps it as a file of its own.
            if (!m_store.DropMediaCopy(scope.userId, scope.deviceId, file.id))
                return std::nullopt;
            continue;
        }
        const char* status = !held ? "new" : copy->second->version < file.version ? "changed" : "current";
        if (listing == MediaListing::NewOnServer && held && copy->second->version >= file.version)
            continue;
        entries.push_back({file.id, file.name, file.size, held ? copy->second->url : std::string(), status,
                           file.thumbnail});
    }
    return entries;
}

std::optional<UploadOutcome> CMediaLibrary::TakeChunk(const MediaScope& scope, const UploadChunk& chunk,
                                                      const MediaExtensions& extensions)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const PartialKey key{scope.userId, scope.deviceId, chunk.url + '\n' + std::to_string(chunk.total)};
    const std::string listed = ListedRevision(scope, chunk.url);
    std::optional<PartialUpload> partial = m_folder.FindPartial(key);
    // A changed file (another size or revision) starts a new upload rather than resuming the old one.
    // A revision not listed in this session (the server restarted since) is the one the upload is of.
    if (partial && !listed.empty() && partial->revision != listed)
        partial.reset();
    const std::int64_t held = partial ? static_cast<std::int64_t>(partial->size) : 0;
    // Anything but the next bytes is answered with the offset the server has: resumed or moved back. An
    // upload whole but not stored (the store failed at its end) is stored at its next chunk.
    if (chunk.offset != held && held < chunk.total)
        return UploadOutcome{held, std::nullopt};
    const std::string revision = partial ? partial->revision : listed;
    if (chunk.offset == held) {
        if (!partial && !m_folder.StartPartial(key, revision))
            return std::nullopt;
        if (!chunk.bytes.empty() && !m_folder.AppendPartial(key, chunk.bytes))
            return std::nullopt;
    }
    const std::int64_t next =
        chunk.offset == held ? held + static_cast<std::int64_t>(chunk.bytes.size()) : held;
    if (next < chunk.total)
        return UploadOutcome{next, std::nullopt};
    return StoreUpload(scope, chunk, key, revision, extensions);
}

std::optional<UploadOutcome> CMediaLibrary::StoreUpload(const MediaScope& scope, const UploadChunk& chunk,
                                                        const PartialKey& key, const std::string& revision,
                                                        const MediaExtensions& extensions)
{
    std::vector<MediaCopy> copies = m_store.MediaCopies(scope.userId, scope.deviceId);
    const auto copy =
        std::find_if(copies.begin(), copies.end(), [&](const MediaCopy& c) { return c.url == chunk.url; });
    MediaFile file;
    if (copy != copies.end()) {
        if (std::optional<MediaFile> held = m_store.FindMediaFile(scope.userId, copy->id);
            held && !held->deleted)
            file = std::move(*held);
    }
    file.name = FileNameOfUrl(chunk.url);
    file.size = chunk.total;
    file.revision = revision;
    file.version += 1;
    file.uploadedBy = scope.deviceId;
    file.changedMs = NowMs();
    file.thumbnail.clear();
    const std::optional<std::int64_t> id = m_store.SaveMediaFile(scope.userId, file);
    if (!id)
        return std::nullopt;
    const bool created = file.id == 0;
    file.id = *id;
    if (!m_folder.FinishPartial(key, file.id)) {
        if (created) {
            file.deleted = true;
            m_store.SaveMediaFile(scope.userId, file);
        }
        return std::nullopt;
    }
    if (MediaKindOf(file.name, extensions) == MediaKind::Image &&
        file.size <= std::int64_t{kMaxThumbnailBytes}) {
        file.thumbnail = m_folder.Read(file.id, 0, kMaxThumbnailBytes).value_or("");
        if (!m_store.SaveMediaFile(scope.userId, file))
            return std::nullopt;
    }
    if (!m_store.SaveMediaCopy(scope.userId, scope.deviceId, {file.id, chunk.url, revision, file.version}))
        return std::nullopt;
    ServerLog("media of " + scope.userId + ": file " + std::to_string(file.id) + " (" + file.name + ", " +
              std::to_string(file.size) + " bytes, version " + std::to_string(file.version) + ") from " +
              scope.deviceId);
    return UploadOutcome{chunk.total, file.id};
}

std::optional<DownloadSlice> CMediaLibrary::Slice(const MediaScope& scope, std::int64_t id,
                                                  std::int64_t offset, std::size_t maxBytes,
                                                  DownloadStep step, std::string& refusal)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const std::optional<MediaFile> file = m_store.FindMediaFile(scope.userId, id);
    if (!file || file->deleted) {
        refusal = "The server holds no file " + std::to_string(id) + " for this account.";
        return std::nullopt;
    }
    if (step == DownloadStep::First) {
        if (m_downloads.size() >= kMaxOpenDownloads && m_downloads.count(scope.sessionId) == 0)
            m_downloads.erase(m_downloads.begin());
        m_downloads[scope.sessionId] = {id, file->version};
    }
    const auto open = m_downloads.find(scope.sessionId);
    if (open == m_downloads.end() || open->second.id != id) {
        refusal = "No download of file " + std::to_string(id) + " is in progress in this session.";
        return std::nullopt;
    }
    if (open->second.version != file->version) {
        ServerLog("media of " + scope.userId + ": file " + std::to_string(id) +
                  " changed during the download of " + scope.deviceId + "; its next chunk refused");
        refusal = "File " + file->name + " changed on the server while it was fetched; fetch it again.";
        m_downloads.erase(open);
        return std::nullopt;
    }
    if (offset > file->size) {
        refusal = "QX-ChunkOffset " + std::to_string(offset) + " lies beyond the " +
                  std::to_string(file->size) + " bytes of file " + std::to_string(id) + ".";
        return std::nullopt;
    }
    const auto size =
        static_cast<std::size_t>(std::min<std::int64_t>(std::int64_t(maxBytes), file->size - offset));
    std::optional<std::string> bytes = m_folder.Read(id, static_cast<std::uint64_t>(offset), size);
    if (!bytes || bytes->size() != size)
        return std::nullopt;
    return DownloadSlice{offset, file->size, std::move(*bytes)};
}

std::optional<bool> CMediaLibrary::RecordCopy(const MediaScope& scope, std::int64_t id,
                                              const std::string& url)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const std::optional<MediaFile> file = m_store.FindMediaFile(scope.userId, id);
    if (!file || file->deleted)
        return false;
    if (!m_store.SaveMediaCopy(scope.userId, scope.deviceId, {id, url, {}, file->version}))
        return std::nullopt;
    return true;
}

std::vector<MediaFile> CMediaLibrary::Files(const std::string& userId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_store.MediaFiles(userId);
}

std::optional<MediaFile> CMediaLibrary::AddFile(const std::string& userId, MediaFile file,
                                                std::string_view content)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    file.id = 0;
    file.size = static_cast<std::int64_t>(content.size());
    file.version = 1;
    file.uploadedBy.clear();
    file.changedMs = NowMs();
    file.revision = std::to_string(file.changedMs);
    const std::optional<std::int64_t> id = m_store.SaveMediaFile(userId, file);
    if (!id)
        return std::nullopt;
    file.id = *id;
    if (!m_folder.Write(file.id, content)) {
        file.deleted = true;
        m_store.SaveMediaFile(userId, file);
        return std::nullopt;
    }
    return file;
}

std::optional<bool> CMediaLibrary::DeleteFile(const std::string& userId, std::int64_t id)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::optional<MediaFile> file = m_store.FindMediaFile(userId, id);
    if (!file || file->deleted)
        return false;
    file->deleted = true;
    file->version += 1;
    file->changedMs = NowMs();
    if (!m_store.SaveMediaFile(userId, *file))
        return std::nullopt;
    m_folder.Remove(id);
    return true;
}

std::optional<bool> CMediaLibrary::DeleteAccount(const std::string& userId,
                                                 const std::function<std::optional<bool>()>& dropAccount)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::int64_t> ids;
    for (const MediaFile& file : m_store.MediaFiles(userId))
        ids.push_back(file.id);
    const std::optional<bool> dropped = dropAccount();
    if (dropped.value_or(false)) {
        m_folder.RemoveAccount(userId, ids);
        ServerLog("media of " + userId + " removed with the account (files: " + std::to_string(ids.size()) +
                  ", and its unfinished uploads)");
    }
    return dropped;
}
