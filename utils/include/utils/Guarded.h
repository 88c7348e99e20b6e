#pragma once
// A value that two threads share, reachable only under its lock. Lock() gives a handle that holds the
// lock while it lives and reaches the value through -> and *; With(f) runs f on the value under the
// lock and returns what f returns. Keep a handle for one expression or a small block, and never keep a
// pointer or reference into the value past it: that would be the unlocked access this type exists to
// rule out.

#include <mutex>
#include <utility>

template <typename T, typename Mutex = std::mutex>
class CGuarded {
public:
    class Locked {
    public:
        T* operator->() const { return m_value; }
        T& operator*() const& { return *m_value; }
        // A reference taken from a handle that dies with its expression would outlive the lock.
        T& operator*() const&& = delete;

    private:
        friend class CGuarded;
        Locked(Mutex& mutex, T& value) : m_lock(mutex), m_value(&value) {}

        std::unique_lock<Mutex> m_lock;
        T* m_value;
    };

    template <typename... Args>
    explicit CGuarded(Args&&... args) : m_value(std::forward<Args>(args)...)
    {
    }
    CGuarded(const CGuarded&) = delete;
    CGuarded& operator=(const CGuarded&) = delete;

    Locked Lock() { return Locked(m_mutex, m_value); }

    template <typename F>
    decltype(auto) With(F&& f)
    {
        std::lock_guard lock(m_mutex);
        return std::forward<F>(f)(m_value);
    }

    template <typename F>
    decltype(auto) With(F&& f) const
    {
        std::lock_guard lock(m_mutex);
        return std::forward<F>(f)(static_cast<const T&>(m_value));
    }

private:
    mutable Mutex m_mutex;
    T m_value;
};
