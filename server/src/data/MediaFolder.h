#pragma once
// The bytes of the media files, in the server's data folder: "files/<media id>" for a stored file and
// "uploads/<device digest>/<digest>.part" for an upload on its way, named by digests of the sending
// device and of what identifies the content (path, size, revision), so that an interrupted upload
// resumes where it stopped. A device keeps at most kMaxPartialUploads unfinished uploads: starting
// another drops its oldest. Files are written and read a chunk at a time, never whole in memory. Names
// never come from a peer.
//
// Not locked: CMediaLibrary calls it under its own lock.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// An upload on its way.
struct PartialKey {
    std::string device;  // the account and device that send it
    std::string content; // what identifies the file's content on the device
};

inline constexpr std::size_t kMaxPartialUploads = 16;

class CMediaFolder {
public:
    explicit CMediaFolder(std::filesystem::path root);

    // How many bytes of the upload `key` have arrived (0 when none).
    std::uint64_t PartialSize(const PartialKey& key) const;
    // Appends `bytes` to the upload `key`; false (logged) when writing failed.
    bool AppendPartial(const PartialKey& key, std::string_view bytes);
    // Makes the upload `key` the content of file `id`, replacing any earlier content.
    bool FinishPartial(const PartialKey& key, std::int64_t id);

    // Writes the whole content of file `id` (the operator's files).
    bool Write(std::int64_t id, std::string_view content);
    // Frees the content of file `id` (a deleted file); a failure is logged only.
    void Remove(std::int64_t id);
    // Up to `size` bytes of file `id` from `offset`; nothing (logged) when it cannot be read.
    std::optional<std::string> Read(std::int64_t id, std::uint64_t offset, std::size_t size) const;

private:
    std::filesystem::path PartialPath(const PartialKey& key) const;
    std::filesystem::path FilePath(std::int64_t id) const;

    std::filesystem::path m_root;
};
