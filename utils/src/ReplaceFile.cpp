#include "ReplaceFile.h"

#include "PosixFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace utils_posix {
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

// Where the new content must land: the path itself, or the file a symbolic link points to.
bool ResolveTarget(const std::string& path, std::string& target)
{
    struct stat linkInfo {};
    if (::lstat(path.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(path.c_str(), resolved))
            return false;
        target = resolved;
        return true;
    }
    target = path;
    return true;
}

void SyncFolder(const std::string& folder)
{
    // Makes the rename itself durable; a folder that cannot be flushed is not a reason to fail.
    CFileDescriptor directory = OpenPath(folder, O_RDONLY | O_DIRECTORY);
    if (directory.IsOpen())
        ::fsync(directory.Get());
}

} // namespace

bool ReplaceFileContent(std::u16string_view path, std::string_view bytes)
{
    const auto native = NativePath(path);
    if (!native || native->empty()) {
        errno = EINVAL;
        return false;
    }
    std::string target;
    if (!ResolveTarget(*native, target))
        return false;

    struct stat existing {};
    bool exists = false;
    if (::stat(target.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            errno = EISDIR;
            return false;
        }
        // The folder may allow a rename where the file itself refuses writing; honour the file.
        if (::access(target.c_str(), W_OK) != 0)
            return false;
        exists = true;
    } else if (errno != ENOENT) {
        return false;
    }

    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty()) {
        errno = EISDIR;
        return false;
    }

    std::string temporary;
    CFileDescriptor file;
    for (int attempt = 0; attempt < kNameAttempts && !file.IsOpen(); ++attempt) {
        temporary = TemporaryNameBeside(folder, name);
        // A new file gets the usual 0666 less the umask; an existing one's bits are copied below.
        file = OpenPath(temporary, O_WRONLY | O_CREAT | O_EXCL, exists ? 0600 : 0666);
        if (!file.IsOpen() && errno != EEXIST)
            return false;
    }
    if (!file.IsOpen())
        return false;

    bool written = WriteFull(file.Get(), bytes.data(), bytes.size());
    if (written && exists) {
        // Best effort for the owner (only root may change it); the permission bits must carry over.
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(file.Get(), existing.st_uid, existing.st_gid);
        }
        written = ::fchmod(file.Get(), existing.st_mode & 07777) == 0;
    }
    written = written && ::fsync(file.Get()) == 0;
    written = file.Close() && written;
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        return false;
    }
    SyncFolder(folder);
    return true;
}

} // namespace utils_posix
