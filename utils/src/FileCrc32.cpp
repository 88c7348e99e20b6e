#include "utils/Crc32.h"

#include "PosixFile.h"
#include "utils/Utf.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <new>
#include <string>

namespace {

// Large blocks keep the system-call cost well below the cost of the checksum itself.
constexpr std::size_t kBlockSize = 64 * 1024;

std::string UpperHexDigits(std::uint32_t crc)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(crc));
    return digits;
}

// The checksum read as a signed 32-bit number, as the handset prints it.
std::string SignedDecimal(std::uint32_t crc)
{
    return std::to_string(static_cast<std::int32_t>(crc));
}

// The file's checksum as the text `format` makes of it; `text` is left alone on failure.
HRESULT FileCrc32Text(std::u16string_view path, std::u16string& text, std::string (*format)(std::uint32_t))
{
    std::uint32_t crc = 0;
    const HRESULT status = FileCrc32Win32(path, crc);
    if (Failed(status))
        return status;
    text = Latin1ToUtf16(format(crc));
    return S_OK;
}

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
        const ssize_t count = utils_posix::ReadFull(file.Get(), block.get(), kBlockSize);
        if (count < 0)
            return HResultFromErrno(errno);
        reg = Crc32Update(reg, block.get(), static_cast<std::size_t>(count));
        if (static_cast<std::size_t>(count) < kBlockSize)
            break;
    }
    crc = ~reg;
    return S_OK;
}

HRESULT FileCrc32Win32Hex(std::u16string_view path, std::u16string& text)
{
    return FileCrc32Text(path, text, UpperHexDigits);
}

HRESULT FileCrc32Win32String(std::u16string_view path, std::u16string& text)
{
    return FileCrc32Text(path, text, SignedDecimal);
}
