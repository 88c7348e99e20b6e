#pragma once
// The bytes of the media files, in the server's data folder: "files/<media id>" for a stored file and
// "uploads/<account digest>/<device digest>/<digest>.part" for an upload on its way, with its journal
// (see UploadJournal.h) beside it as "<digest>.journal", named by digests of the account, the sending
// device and what identifies the file on the device (path and size), so that an interrupted upload
// resumes where it stopped, after a restart of the server too, and an account's uploads go with it.
// A device keeps at most kMaxPartialUploads unfinished uploads: starting another drops its oldest.
// Files are written and read a chunk at a time, never whole in memory. Names never come from a peer.
//
// Not locked: CMediaLibrary calls it under its own lock.

#include "data/UploadJournal.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

// An upload on its way.
struct PartialKey {
    std::string account; // the account it is for
    std::string device;  // the device that sends it
    std::string content; // what identifies the file on the device
};

inline constexpr std::size_t kMaxPartialUploads = 16;

class CMediaFolder {
public:
    explicit CMediaFolder(std::filesystem::path root);

    // What the server holds of the upload `key`; nothing when there is none. The first look after a
    // start checks the bytes against the journal and cuts off what it does not vouch for.
    std::optional<PartialUpload> FindPartial(const PartialKey& key);
    // Starts the upload `key` of `revision` afresh, dropping what was held of it; false (logged) when
    // it cannot be written.
    bool StartPartial(const PartialKey& key, std::string_view revision);
    // Appends `bytes` to the started upload `key`; false (logged) when writing failed, and then what was
    // written of them is not vouched for.
    bool AppendPartial(const PartialKey& key, std::string_view bytes);
    // Makes the upload `key` the content of file `id`, replacing any earlier content.
    bool FinishPartial(const PartialKey& key, std::int64_t id);
    // Frees the contents of the account's files `ids` and its unfinished uploads; failures are logged.
    void RemoveAccount(std::string_view account, std::span<const std::int64_t> ids);

    // Writes the whole content of file `id` (the operator's files).
    bool Write(std::int64_t id, std::string_view content);
    // Frees the content of file `id` (a deleted file); a failure is logged only.
    void Remove(std::int64_t id);
    // Up to `size` bytes of file `id` from `offset`; nothing (logged) when it cannot be read.
    std::optional<std::string> Read(std::int64_t id, std::uint64_t offset, std::size_t size) const;

private:
    std::filesystem::path AccountUploads(std::string_view account) const;
    std::filesystem::path PartialPath(const PartialKey& key) const;
    std::filesystem::path FilePath(std::int64_t id) const;
    void DropPartial(const std::filesystem::path& bytes);
    void Remember(const std::filesystem::path& bytes, const PartialUpload& upload);

    std::filesystem::path m_root;
    // The uploads looked at since the start, by the path of their bytes.
    std::unordered_map<std::string, PartialUpload> m_partials;
};
