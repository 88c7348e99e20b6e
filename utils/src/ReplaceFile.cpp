#include "ReplaceFile.h"

#include "PosixFile.h"
#include "utils/StagedFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace utils_posix {
namespace {

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
    if (::stat(target.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            errno = EISDIR;
            return false;
        }
        // The folder may allow a rename where the file itself refuses writing; honour the file.
        if (::access(target.c_str(), W_OK) != 0)
            return false;
    } else if (errno != ENOENT) {
        return false;
    }

    CStagedFile file;
    return file.Create(target) &&
           file.WriteAt(0, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())) &&
           file.Commit();
}

} // namespace utils_posix
