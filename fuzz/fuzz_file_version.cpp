// The version reader on any file content: it either finds a record with the right signature or
// leaves the caller's record exactly as it was.
#include "FuzzCheck.h"
#include "utils/Utf.h"
#include "utils/Version.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// One scratch file for the whole run, removed at exit. Without TMPDIR it lives in /dev/shm when there
// is one: on a disk file system, truncating and rewriting it costs a hundred times more than the parse.
const std::string& ScratchFile()
{
    static const std::string s_path = [] {
        const char* folder = std::getenv("TMPDIR");
        const std::string base = (folder && *folder)               ? folder
                                 : ::access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                                                                   : "/tmp";
        std::string path = base + "/fuzz_file_version.XXXXXX";
        const int fd = ::mkstemp(path.data());
        FUZZ_CHECK(fd >= 0);
        ::close(fd);
        return path;
    }();
    static const bool s_removeAtExit = [] { return std::atexit([] { ::unlink(s_path.c_str()); }) == 0; }();
    (void)s_removeAtExit;
    return s_path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = ScratchFile();
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(size == 0 || ::write(fd, data, size) == static_cast<ssize_t>(size));
    ::close(fd);

    VS_FIXEDFILEINFO info;
    std::memset(&info, 0x5A, sizeof info);
    VS_FIXEDFILEINFO untouched = info;
    GetFileVersion(Utf8ToUtf16(path), info);
    FUZZ_CHECK(std::memcmp(&info, &untouched, sizeof info) == 0 || info.dwSignature == kVersionSignature);
    return 0;
}
