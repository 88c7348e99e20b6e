#include "utils/TempFile.h"

#include "utils/Utf.h"

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string TemporaryFolder()
{
    const char* folder = std::getenv("TMPDIR");
    std::string path = (folder && *folder) ? folder : "/tmp";
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::u16string GetTempFile()
{
    static constexpr char kSuffix[] = ".tmp";
    const std::string pattern = TemporaryFolder() + "/KVXXXXXXX" + kSuffix; // "KVX" + six unique characters
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkstemps creates the file with mode 0600 and O_EXCL, so the name is ours alone.
    const int fd = ::mkostemps(name.data(), static_cast<int>(sizeof kSuffix - 1), O_CLOEXEC);
    if (fd < 0)
        return {};
    ::close(fd);
    return Utf8ToUtf16(name.data());
}

std::u16string GetTempJPGFile(std::u16string_view name)
{
    const std::size_t keep = name.size() >= 3 ? name.size() - 3 : 0;
    std::u16string out(name.substr(0, keep));
    out += u"JPG";
    return out;
}
