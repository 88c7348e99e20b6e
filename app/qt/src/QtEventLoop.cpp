#include "QtEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

CQtEventLoop::CQtEventLoop()
{
    m_nextTimer.setSingleShot(true);
    m_nextTimer.setTimerType(Qt::CoarseTimer);
    QObject::connect(&m_nextTimer, &QTimer::timeout, this, [this] { RunDueTimers(); });
}

CQtEventLoop::~CQtEventLoop()
{
    // Destroyed outside the lock: a waiting sender learns from it that its message was dropped.
    std::deque<std::function<void()>> dropped;
    std::lock_guard lock(m_mutex);
    dropped.swap(m_tasks);
}

void CQtEventLoop::Post(std::function<void()> task)
{
    std::lock_guard lock(m_mutex);
    m_tasks.push_back(std::move(task));
    if (!m_wakePending)
        WakeLocked();
}

void CQtEventLoop::WakeLocked()
{
    m_wakePending = true;
    QMetaObject::invokeMethod(
        this, [this] { RunOnePosted(); }, Qt::QueuedConnection);
}

void CQtEventLoop::RunOnePosted()
{
    std::function<void()> task;
    {
        std::lock_guard lock(m_mutex);
        m_wakePending = false;
        if (m_tasks.empty())
            return;
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
        if (!m_tasks.empty())
            WakeLocked();
    }
    task();
}

bool CQtEventLoop::IsPumpThread() const
{
    return QThread::currentThread() == thread();
}

CEventLoop::TimerId CQtEventLoop::StartTimer(std::uint32_t periodMs, std::function<void()> action)
{
    const TimerId id = m_timers.Start(periodMs, std::move(action));
    ArmTimer();
    return id;
}

void CQtEventLoop::StopTimer(TimerId id)
{
    m_timers.Stop(id);
    ArmTimer();
}

void CQtEventLoop::RunDueTimers()
{
    m_timers.RunDue();
    ArmTimer();
}

void CQtEventLoop::ArmTimer()
{
    const std::optional<std::uint32_t> next = m_timers.MsUntilNext();
    if (!next) {
        m_nextTimer.stop();
        return;
    }
    m_nextTimer.start(static_cast<int>(std::min<std::uint32_t>(*next, 0x7FFFFFFF)));
}

void CQtEventLoop::RunUntil(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
