#include "utils/Crc32.h"

#include "PosixFile.h"
#include "utils/Utf.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <new>
#include <unistd.h>

namespace {

// Large blocks keep the system-call cost well below the cost of the checksum itself.
constexpr std::size_t kBlockSize = 64 * 1024;

} // namespace

HRESULT FileCrc32Win32(std::u16string_view path, std::uint32_t& crc)
{
    crc = 0;
    utils_posix::CFileDescriptor file = utils_posix::OpenPath(path, O_RDONLY);
    if (!file.IsOpen())
        return HResultFromErrno(errno);

    const std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[kBlockSize]);
    if (!block)
        return HResultFromErrno(ENOMEM);
    std::uint32_t reg = 0xFFFFFFFFu;
    for (;;) {
        const ssize_t count = ::read(file.Get(), block.get(), kBlockSize);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return HResultFromErrno(errno);
        }
        if (count == 0)
            break;
        reg = Crc32Update(reg, block.get(), static_cast<std::size_t>(count));
    }
    crc = ~reg;
    return S_OK;
}

HRESULT FileCrc32Win32Hex(std::u16string_view path, std::u16string& text)
{
    std::uint32_t crc = 0;
    const HRESULT status = FileCrc32Win32(path, crc);
    if (Failed(status))
        return status;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(crc));
    text = Latin1ToUtf16(digits);
    return S_OK;
}

HRESULT FileCrc32Win32String(std::u16string_view path, std::u16string& text)
{
    std::uint32_t crc = 0;
    const HRESULT status = FileCrc32Win32(path, crc);
    if (Failed(status))
        return status;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", static_cast<int>(static_cast<std::int32_t>(crc)));
    text = Latin1ToUtf16(digits);
    return S_OK;
}
