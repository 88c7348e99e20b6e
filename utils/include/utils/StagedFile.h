#pragma once
// Files moved in pieces (file transfers): one read at given offsets, one written under a temporary
// name beside its final one and put in place by a single rename once complete, so that no reader ever
// finds a half-written file under the final name and a transfer that fails leaves an existing file of
// that name as it was. Both work at absolute offsets (pread, pwrite); their descriptors may be handed
// to code that does the same. One thread at a time per object.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

// A regular file opened for reading.
class CReadOnlyFile {
public:
    CReadOnlyFile() = default;
    ~CReadOnlyFile();
    CReadOnlyFile(const CReadOnlyFile&) = delete;
    CReadOnlyFile& operator=(const CReadOnlyFile&) = delete;

    // False (errno set, nothing open) when the path cannot be opened or names no regular file; a
    // symbolic link is not followed.
    bool Open(const std::filesystem::path& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    int Descriptor() const { return m_fd; }
    // The size when it was opened.
    std::uint64_t Size() const { return m_size; }
    // Reads until `buffer` is full or the file ends; nothing on a read error.
    std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const;

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

// A new content for a path, staged beside it. Destroying it without Commit discards it.
class CStagedFile {
public:
    CStagedFile() = default;
    ~CStagedFile();
    CStagedFile(const CStagedFile&) = delete;
    CStagedFile& operator=(const CStagedFile&) = delete;

    // Creates the empty temporary file (".<name>.<unique>") in the final path's folder: with the
    // existing file's permission bits (and owner, where allowed) when there is one, else 0666 less the
    // umask. False (errno set, nothing created) when the folder is not writable, the path ends in no
    // name, or it names something other than a regular file. A symbolic link at the final path is
    // replaced by the file, never followed.
    bool Create(const std::filesystem::path& finalPath);
    int Descriptor() const { return m_fd; }
    // Writes every byte at `offset`, or fails.
    bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Whether Commit also flushes the folder, which makes the rename itself durable, or leaves that to
    // the caller (SyncFolder), who may then flush a folder once for many files.
    enum class FolderSync : std::uint8_t { Now, ByCaller };
    // Flushes the file to disk and renames it over the final path. False (errno set) when that
    // fails: the temporary file is removed and the final path is left as it was.
    bool Commit(FolderSync folder = FolderSync::Now);
    // Removes the temporary file; the final path is left as it was.
    void Discard();

private:
    int m_fd = -1;
    std::string m_temporary;
    std::string m_final;
    std::string m_folder;
};

// Flushes the entries of a folder (a rename into it) to disk; false when it cannot be.
bool SyncFolder(const std::filesystem::path& folder);
