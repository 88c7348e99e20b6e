#pragma once
// The user-interface thread's event loop over Qt's: posted work and sent messages run among Qt's
// events, timers are the installed clock's (one Qt timer wakes the loop when the next one is due),
// and nested loops process Qt's events until they are done.
//
// Made in main() on the thread that made the QApplication, after it. Posted work is handed over
// through a queue of our own under a std::mutex, and Qt only wakes the loop to run it: whoever
// checks the threads (ThreadSanitizer) sees every hand-over, which it cannot inside Qt's
// uninstrumented queue. Work still queued when the loop is destroyed is dropped, so a sender waiting
// for it gets 0.

#include "platform/EventLoop.h"
#include "platform/TimerQueue.h"

#include <QObject>
#include <QTimer>

#include <deque>
#include <mutex>

class CQtEventLoop final : public QObject, public CEventLoop {
public:
    CQtEventLoop();
    ~CQtEventLoop() override;

    void Post(std::function<void()> task) override;
    bool IsPumpThread() const override;
    TimerId StartTimer(std::uint32_t periodMs, std::function<void()> action) override;
    void StopTimer(TimerId id) override;
    void RunUntil(const std::function<bool()>& done) override;

private:
    // Asks Qt to run one posted task soon; under m_mutex.
    void WakeLocked();
    // Runs the first posted task, waking the loop again first when more wait: the task may run a
    // nested loop that must see them.
    void RunOnePosted();
    void RunDueTimers();
    void ArmTimer();

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_tasks;
    bool m_wakePending = false;
    CTimerQueue m_timers;
    QTimer m_nextTimer;
};
