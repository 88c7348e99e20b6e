#include "core/InstanceGuard.h"

#include "platform/DevicePaths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr const char* kLockFileName = "Lumeno.lock";

pid_t ReadHolder(int fd)
{
    char text[32] = {};
    const ssize_t length = pread(fd, text, sizeof text - 1, 0);
    if (length <= 0)
        return 0;
    return static_cast<pid_t>(std::strtol(text, nullptr, 10));
}

} // namespace

CInstanceGuard::CInstanceGuard()
{
    const std::string path = (CDevicePaths::DataFolder() / kLockFileName).string();
    m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        m_error = path + ": " + std::strerror(errno);
        return;
    }
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            m_state = State::TakenByOther;
            m_holder = ReadHolder(m_fd);
        } else {
            m_error = path + ": " + std::strerror(errno);
        }
        close(m_fd);
        m_fd = -1;
        return;
    }
    m_state = State::Held;
    const std::string pid = std::to_string(getpid()) + "\n";
    // The lock holds all the same when this fails; a second copy then cannot name the holder.
    const bool named = ftruncate(m_fd, 0) == 0 &&
                       pwrite(m_fd, pid.data(), pid.size(), 0) == static_cast<ssize_t>(pid.size());
    if (!named)
        m_error = path + ": the process id could not be written";
}

CInstanceGuard::~CInstanceGuard()
{
    if (m_fd >= 0)
        close(m_fd);
}
