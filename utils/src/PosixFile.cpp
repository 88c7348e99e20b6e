#include "PosixFile.h"

#include "utils/Utf.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace utils_posix {

std::optional<std::string> NativePath(std::u16string_view path)
{
    if (path.find(u'\0') != std::u16string_view::npos)
        return std::nullopt;
    return Utf16ToUtf8(path);
}

CFileDescriptor& CFileDescriptor::operator=(CFileDescriptor&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

CFileDescriptor::~CFileDescriptor()
{
    Close();
}

bool CFileDescriptor::Close()
{
    if (m_fd < 0)
        return true;
    // Linux releases the descriptor even when close fails, so it is never retried.
    const int result = ::close(m_fd);
    m_fd = -1;
    return result == 0;
}

CFileDescriptor OpenPath(const std::string& path, int flags, mode_t mode)
{
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return CFileDescriptor(fd);
}

CFileDescriptor OpenPath(std::u16string_view path, int flags, mode_t mode)
{
    const auto native = NativePath(path);
    if (!native) {
        errno = EINVAL;
        return CFileDescriptor();
    }
    return OpenPath(*native, flags, mode);
}

namespace {

// ReadFull from the current position (read) when `offset` is empty, ReadFullAt otherwise (pread).
ssize_t ReadRepeated(int fd, void* buffer, std::size_t size, std::optional<off_t> offset)
{
    auto bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = offset
                                  ? ::pread(fd, bytes + done, size - done, *offset + static_cast<off_t>(done))
                                  : ::read(fd, bytes + done, size - done);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (count == 0)
            break;
        done += static_cast<std::size_t>(count);
    }
    return static_cast<ssize_t>(done);
}

} // namespace

ssize_t ReadFull(int fd, void* buffer, std::size_t size)
{
    return ReadRepeated(fd, buffer, size, std::nullopt);
}

ssize_t ReadFullAt(int fd, void* buffer, std::size_t size, off_t offset)
{
    return ReadRepeated(fd, buffer, size, offset);
}

namespace {

// WriteFull at the current position (write) when `offset` is empty, WriteFullAt otherwise (pwrite).
bool WriteRepeated(int fd, const void* buffer, std::size_t size, std::optional<off_t> offset)
{
    auto bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = offset
                                  ? ::pwrite(fd, bytes + done, size - done, *offset + static_cast<off_t>(done))
                                  : ::write(fd, bytes + done, size - done);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

} // namespace

bool WriteFull(int fd, const void* buffer, std::size_t size)
{
    return WriteRepeated(fd, buffer, size, std::nullopt);
}

bool WriteFullAt(int fd, const void* buffer, std::size_t size, off_t offset)
{
    return WriteRepeated(fd, buffer, size, offset);
}

} // namespace utils_posix
