#pragma once
// Private to Utils: wide paths handed to the OS, an owning file descriptor, and whole reads and writes
// that survive EINTR and short transfers. Every function reports failure through errno.

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace utils_posix {

// The UTF-8 form of a wide path; nothing when the path holds a zero character (the OS would silently
// cut the name there and open a different file).
std::optional<std::string> NativePath(std::u16string_view path);

// Closes its descriptor when it goes out of scope, so no return path leaks an open file.
class CFileDescriptor {
public:
    CFileDescriptor() = default;
    explicit CFileDescriptor(int fd) : m_fd(fd) {}
    CFileDescriptor(CFileDescriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    CFileDescriptor& operator=(CFileDescriptor&& other) noexcept;
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    ~CFileDescriptor();

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    // Closes now and reports whether the close succeeded (a late write error shows up here).
    bool Close();
    // Gives the descriptor up to the caller, who closes it.
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd = -1;
};

// open(2) of a UTF-8 path, retried on EINTR, always with O_CLOEXEC.
CFileDescriptor OpenPath(const std::string& path, int flags, mode_t mode = 0);
// The same for a wide path; a path holding a zero character fails with EINVAL.
CFileDescriptor OpenPath(std::u16string_view path, int flags, mode_t mode = 0);

// Reads until `size` bytes arrived or the end of the file. Returns the count, or -1 on a read error.
ssize_t ReadFull(int fd, void* buffer, std::size_t size);
// The same at an absolute offset (pread).
ssize_t ReadFullAt(int fd, void* buffer, std::size_t size, off_t offset);
// Writes every byte or fails.
bool WriteFull(int fd, const void* buffer, std::size_t size);
// The same at an absolute offset (pwrite).
bool WriteFullAt(int fd, const void* buffer, std::size_t size, off_t offset);

} // namespace utils_posix
