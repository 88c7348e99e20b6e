#pragma once
// Events as on the handset: manual- or auto-reset, unnamed or named, set/reset, wait with time-out.
//
// Named events live in one table per process: creating a name that exists returns the same event (and
// says so), like the handset's "create or open". An event lives while any holder keeps its pointer.
// Waits go through the installed CClock, so a virtual clock makes time-outs instant. Thread-safe.

#include "platform/Clock.h"

#include <memory>
#include <string_view>

enum class EventReset : std::uint8_t { Manual, Auto };
enum class WaitResult : std::uint8_t { Signaled, TimedOut };

class CEvent {
public:
    static std::shared_ptr<CEvent> Create(EventReset reset, bool initiallySet);
    // Returns the live event of that name, or creates it. `alreadyExisted` (may be null) tells which;
    // an existing event keeps its own reset kind and state.
    static std::shared_ptr<CEvent> CreateNamed(std::u16string_view name, EventReset reset, bool initiallySet,
                                               bool* alreadyExisted);
    // The live event of that name, or null.
    static std::shared_ptr<CEvent> OpenNamed(std::u16string_view name);

    CEvent(EventReset reset, bool initiallySet);
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // An auto-reset event is reset by the wait that it ends. kInfinite waits without limit.
    WaitResult Wait(std::uint32_t timeoutMs);

private:
    const EventReset m_reset;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_set;
};
