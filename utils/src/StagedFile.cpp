#include "utils/StagedFile.h"

#include "PosixFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNameAttempts = 64;

// A name beside the target that no other writer picks: process id, a per-process counter and the
// clock; O_EXCL makes the rare collision a retry rather than a shared file.
std::string TemporaryNameBeside(const std::string& folder, const std::string& name)
{
    static std::atomic<unsigned> s_counter{0};
    const auto ticks =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.%llx", static_cast<long>(::getpid()), s_counter++,
                  ticks & 0xFFFFFFFFull);
    return folder + "/." + name + suffix;
}

void CloseDescriptor(int& fd)
{
    utils_posix::CFileDescriptor owned(fd);
    fd = -1;
}

} // namespace

CReadOnlyFile::~CReadOnlyFile()
{
    Close();
}

bool CReadOnlyFile::Open(const std::filesystem::path& path)
{
    Close();
    utils_posix::CFileDescriptor file = utils_posix::OpenPath(path.native(), O_RDONLY | O_NOFOLLOW);
    if (!file.IsOpen())
        return false;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        return false;
    if (!S_ISREG(info.st_mode)) {
        errno = EISDIR;
        return false;
    }
    m_size = static_cast<std::uint64_t>(info.st_size);
    m_fd = file.Get();
    // The descriptor now belongs to this object.
    static_cast<void>(file.Release());
    return true;
}

void CReadOnlyFile::Close()
{
    CloseDescriptor(m_fd);
    m_size = 0;
}

std::optional<std::size_t> CReadOnlyFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const
{
    const ssize_t count = utils_posix::ReadFullAt(m_fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
    if (count < 0)
        return std::nullopt;
    return static_cast<std::size_t>(count);
}

CStagedFile::~CStagedFile()
{
    Discard();
}

bool CStagedFile::Create(const std::filesystem::path& finalPath)
{
    Discard();
    const std::string* native = &finalPath.native();
    if (native->empty()) {
        errno = EINVAL;
        return false;
    }
    const std::size_t slash = native->rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native->substr(0, slash);
    const std::string name = slash == std::string::npos ? *native : native->substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        errno = EISDIR;
        return false;
    }
    struct stat existing {};
    bool exists = false;
    if (::lstat(native->c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            errno = EISDIR;
            return false;
        }
        exists = S_ISREG(existing.st_mode);
    } else if (errno != ENOENT) {
        return false;
    }

    utils_posix::CFileDescriptor file;
    std::string temporary;
    for (int attempt = 0; attempt < kNameAttempts && !file.IsOpen(); ++attempt) {
        temporary = TemporaryNameBeside(folder, name);
        // A new file gets the usual 0666 less the umask; an existing one's bits are copied below.
        file = utils_posix::OpenPath(temporary, O_RDWR | O_CREAT | O_EXCL, exists ? 0600 : 0666);
        if (!file.IsOpen() && errno != EEXIST)
            return false;
    }
    if (!file.IsOpen())
        return false;
    if (exists) {
        // Best effort for the owner (only root may change it); the permission bits must carry over.
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(file.Get(), existing.st_uid, existing.st_gid);
        }
        if (::fchmod(file.Get(), existing.st_mode & 07777) != 0) {
            const int error = errno;
            ::unlink(temporary.c_str());
            errno = error;
            return false;
        }
    }
    m_fd = file.Release();
    m_temporary = temporary;
    m_final = *native;
    m_folder = folder;
    return true;
}

bool CStagedFile::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    return utils_posix::WriteFullAt(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
}

bool CStagedFile::Commit(FolderSync folder)
{
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    bool written = ::fsync(m_fd) == 0;
    utils_posix::CFileDescriptor file(m_fd);
    m_fd = -1;
    written = file.Close() && written;
    if (!written || ::rename(m_temporary.c_str(), m_final.c_str()) != 0) {
        const int error = errno;
        Discard();
        errno = error;
        return false;
    }
    m_temporary.clear();
    // Makes the rename itself durable; a folder that cannot be flushed is not a reason to fail.
    if (folder == FolderSync::Now)
        SyncFolder(m_folder);
    return true;
}

void CStagedFile::Discard()
{
    CloseDescriptor(m_fd);
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

bool SyncFolder(const std::filesystem::path& folder)
{
    utils_posix::CFileDescriptor directory = utils_posix::OpenPath(folder.native(), O_RDONLY | O_DIRECTORY);
    return directory.IsOpen() && ::fsync(directory.Get()) == 0;
}
