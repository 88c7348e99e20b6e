#include "platform/Event.h"

#include <unordered_map>

namespace {

// Named events of this process. An entry holds no reference: the event's deleter removes it, so a
// name disappears with the last holder of its event.
struct NameTable {
    std::mutex mutex;
    std::unordered_map<std::u16string, std::weak_ptr<CEvent>> events;
};

NameTable& Names()
{
    // Never destroyed: an event released during exit still finds the table.
    static NameTable* table = new NameTable;
    return *table;
}

} // namespace

std::shared_ptr<CEvent> CEvent::Create(EventReset reset, bool initiallySet)
{
    return std::make_shared<CEvent>(reset, initiallySet);
}

std::shared_ptr<CEvent> CEvent::CreateNamed(std::u16string_view name, EventReset reset, bool initiallySet,
                                            bool* alreadyExisted)
{
    if (alreadyExisted)
        *alreadyExisted = false;
    NameTable& table = Names();
    std::lock_guard lock(table.mutex);
    std::u16string key(name);
    if (auto found = table.events.find(key); found != table.events.end()) {
        if (std::shared_ptr<CEvent> event = found->second.lock()) {
            if (alreadyExisted)
                *alreadyExisted = true;
            return event;
        }
    }
    std::shared_ptr<CEvent> event(new CEvent(reset, initiallySet), [key](CEvent* dying) {
        NameTable& names = Names();
        {
            std::lock_guard deleterLock(names.mutex);
            // A new event of the same name may already have replaced this one.
            if (auto entry = names.events.find(key); entry != names.events.end() && entry->second.expired())
                names.events.erase(entry);
        }
        delete dying;
    });
    table.events[key] = event;
    return event;
}

std::shared_ptr<CEvent> CEvent::OpenNamed(std::u16string_view name)
{
    NameTable& table = Names();
    std::lock_guard lock(table.mutex);
    auto found = table.events.find(std::u16string(name));
    return found == table.events.end() ? nullptr : found->second.lock();
}

CEvent::CEvent(EventReset reset, bool initiallySet)
    : m_reset(reset)
    , m_set(initiallySet)
{
}

void CEvent::Set()
{
    std::lock_guard lock(m_mutex);
    m_set = true;
    // All waiters look: for an auto-reset event the first to run takes it and the rest wait on.
    m_cv.notify_all();
}

void CEvent::Reset()
{
    std::lock_guard lock(m_mutex);
    m_set = false;
}

bool CEvent::IsSet() const
{
    std::lock_guard lock(m_mutex);
    return m_set;
}

WaitResult CEvent::Wait(std::uint32_t timeoutMs)
{
    std::unique_lock lock(m_mutex);
    if (!CClock::Get().WaitUntil(lock, m_cv, [this] { return m_set; }, timeoutMs))
        return WaitResult::TimedOut;
    if (m_reset == EventReset::Auto)
        m_set = false;
    return WaitResult::Signaled;
}
