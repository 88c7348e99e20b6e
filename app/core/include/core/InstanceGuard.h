#pragma once
// One running copy of the application per device: an exclusive lock on "Lumeno.lock" in the device
// data folder, held as long as the guard lives. The lock goes with the process, so a copy that
// crashed leaves nothing behind to clean up. The file tells the process id of the holder.

#include <string>
#include <sys/types.h>

class CInstanceGuard {
public:
    enum class State : std::uint8_t { Held, TakenByOther, Failed };

    // Takes the lock at once, without waiting.
    CInstanceGuard();
    ~CInstanceGuard();
    CInstanceGuard(const CInstanceGuard&) = delete;
    CInstanceGuard& operator=(const CInstanceGuard&) = delete;

    State GetState() const { return m_state; }
    // The process that holds the lock when it is taken by another copy (0 when unknown).
    pid_t Holder() const { return m_holder; }
    // Why the lock file could not be used (State::Failed).
    const std::string& Error() const { return m_error; }

private:
    int m_fd = -1;
    State m_state = State::Failed;
    pid_t m_holder = 0;
    std::string m_error;
};
