#pragma once
// The media side of the account server: which of a device's files the server wants uploaded, which of
// its own files a device can fetch or must delete, uploads taken chunk by chunk (resumable: the server
// answers the offset it has), downloads served chunk by chunk, and where each device keeps its copies.
//
// A device's copy of a file is known by its path (url) and the revision (last-write time) the device
// listed for it; a copy of an older version is offered again, a copy whose revision changed on the
// device is wanted again, and a copy received by download is taken as current once the device lists
// it with the file's size. A deleted file is offered for deletion to each device holding a copy, once.
//
// Thread-safe: every operation runs under one lock. Revisions listed in a session are remembered in
// memory for the uploads that follow, and the version each session's download started with for the
// chunks that follow, for a bounded number of devices and sessions.

#include "data/MediaDocuments.h"
#include "data/MediaFolder.h"
#include "data/MediaKinds.h"
#include "store/MediaStore.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

struct MediaScope {
    std::string userId;
    std::string deviceId;
    std::string sessionId;
};

// Where a chunk of a download stands: the first ("Download") fixes the version the download is of, the
// next ones ("GetChunk") must be of that version.
enum class DownloadStep { First, Next };

enum class MediaListing {
    WantedUploads, // "List", "ListUpload": the device's files the server holds no current copy of
    ServerFiles,   // "ListServer": every file of the account, with what the device holds of it
    NewOnServer,   // "ListNew": files the device lacks or holds an older version of, and deletions
    Everything,    // "ListDevice": every file, to restore onto the device
};

struct UploadChunk {
    std::string url; // the device's path, "file://..."
    std::int64_t total = 0;
    std::int64_t offset = 0;
    std::string_view bytes;
};

struct UploadOutcome {
    std::int64_t nextOffset = 0;          // where the device goes on; `total` when the file is whole
    std::optional<std::int64_t> storedId; // the file's media id once it is whole
};

struct DownloadSlice {
    std::int64_t offset = 0;
    std::int64_t total = 0;
    std::string bytes;
};

// The largest file the server takes: sizes travel as 32-bit numbers.
inline constexpr std::int64_t kMaxMediaFileBytes = 0x7FFFFFFF;
// Images up to this size are their own thumbnail.
inline constexpr std::size_t kMaxThumbnailBytes = 32 * 1024;

class CMediaLibrary {
public:
    CMediaLibrary(CMediaStore& store, std::filesystem::path folder);

    // Nothing when the store failed.
    std::optional<std::vector<MediaListEntry>> List(const MediaScope& scope, MediaListing listing,
                                                    std::span<const DeviceFile> deviceFiles);
    // Nothing when the store or the data folder failed (the chunk is not kept).
    std::optional<UploadOutcome> TakeChunk(const MediaScope& scope, const UploadChunk& chunk,
                                           const MediaExtensions& extensions);
    // Nothing, with the reason in `refusal` when the file or offset is not one the server serves, or the
    // chunk is not of the version the session's download of the file started with (the file was
    // replaced meanwhile, or no download of it started in this session): a download never mixes two
    // versions. `refusal` is empty when the data folder failed.
    std::optional<DownloadSlice> Slice(const MediaScope& scope, std::int64_t id, std::int64_t offset,
                                       std::size_t maxBytes, DownloadStep step, std::string& refusal);
    // Notes that the device keeps file `id` at `url`: false when the account has no such live file,
    // nothing when the store failed.
    std::optional<bool> RecordCopy(const MediaScope& scope, std::int64_t id, const std::string& url);

    std::vector<MediaFile> Files(const std::string& userId);
    // Stores the operator's file (name and thumbnail set by the caller) with its content.
    std::optional<MediaFile> AddFile(const std::string& userId, MediaFile file, std::string_view content);
    // False when the account has no such live file.
    std::optional<bool> DeleteFile(const std::string& userId, std::int64_t id);
    // Deletes the account through `dropAccount` (the store's deletion of the account with its records,
    // answering as CAccountStore::DeleteAccount does) and, when it went, the bytes of the account's files
    // and unfinished uploads, under the library's lock: no upload of the account lands in between, and
    // no other account's file is touched (a media id the store hands out again included). What
    // `dropAccount` answered.
    std::optional<bool> DeleteAccount(const std::string& userId,
                                      const std::function<std::optional<bool>()>& dropAccount);

private:
    std::string ListedRevision(const MediaScope& scope, const std::string& url) const;
    std::optional<UploadOutcome> StoreUpload(const MediaScope& scope, const UploadChunk& chunk,
                                             const PartialKey& key, const std::string& revision,
                                             const MediaExtensions& extensions);

    CMediaStore& m_store;
    CMediaFolder m_folder;
    std::mutex m_mutex;
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>>
        m_listed; // device: url -> revision
    struct OpenDownload {
        std::int64_t id = 0;
        std::int64_t version = 0;
    };
    std::unordered_map<std::string, OpenDownload> m_downloads; // by session
};
