#include "utils/Files.h"

#include "PosixFile.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr std::uint32_t kScratchSize = 1024;

std::uint8_t* AllocateWithTerminator(std::size_t size)
{
    auto buffer = static_cast<std::uint8_t*>(std::malloc(size + 1));
    if (buffer)
        buffer[size] = 0;
    return buffer;
}

} // namespace

HRESULT ReadFileAndAllocBuffer(std::u16string_view path, std::uint8_t*& buffer, std::size_t& size)
{
    buffer = nullptr;
    size = 0;
    // O_NONBLOCK keeps a FIFO from blocking the open; it has no effect on regular files.
    utils_posix::CFileDescriptor file = utils_posix::OpenPath(path, O_RDONLY | O_NONBLOCK);
    if (!file.IsOpen())
        return E_FAIL;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<std::uint64_t>(info.st_size) > kMaxReadBufferSize)
        return E_FAIL;

    const auto fileSize = static_cast<std::size_t>(info.st_size);
    std::uint8_t* data = AllocateWithTerminator(fileSize);
    if (!data)
        return E_FAIL;
    // A file that shrinks under us, or a read error, must not pass for the whole file.
    if (utils_posix::ReadFull(file.Get(), data, fileSize) != static_cast<ssize_t>(fileSize)) {
        std::free(data);
        return E_FAIL;
    }
    buffer = data;
    size = fileSize;
    return S_OK;
}

HRESULT ReadStreamAndAllocBuffer(CByteStream& stream, std::uint8_t*& buffer, std::size_t& size)
{
    buffer = nullptr;
    size = 0;
    std::uint8_t scratch[kScratchSize];
    std::size_t total = 0;
    for (;;) {
        std::uint32_t count = 0;
        const HRESULT status = stream.Read(scratch, kScratchSize, &count);
        // A failed read while counting would make a short stream look whole.
        if (Failed(status))
            return status;
        if (count == 0)
            break;
        total += count;
        if (total > kMaxReadBufferSize)
            return E_FAIL;
    }
    if (total == 0)
        return E_FAIL;

    std::uint8_t* data = AllocateWithTerminator(total);
    if (!data)
        return E_FAIL;
    const HRESULT seekStatus = stream.Seek(0, SeekOrigin::Begin, nullptr);
    if (Failed(seekStatus)) {
        std::free(data);
        return seekStatus;
    }
    std::size_t done = 0;
    while (done < total) {
        const auto wanted = static_cast<std::uint32_t>(total - done);
        std::uint32_t count = 0;
        const HRESULT status = stream.Read(data + done, wanted, &count);
        if (Failed(status)) {
            std::free(data);
            return status;
        }
        if (count == 0 || count > wanted)
            break;
        done += count;
    }
    if (done != total) {
        std::free(data);
        return E_FAIL;
    }
    buffer = data;
    size = total;
    return S_OK;
}

void ReleaseBuffer(std::uint8_t* buffer)
{
    std::free(buffer);
}
