#pragma once
// Sends push datagrams over UDP to where a device listens.
//
// Pushes that a request triggers go out from the sender's own thread after a short delay, so that the
// answer announcing the push reaches the handset (and the handset starts waiting for it) first. Pushes
// the operator asks for go out at once from the caller's thread. Thread-safe.

#include "store/AccountStore.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct PushTarget {
    std::string address;
    int port = 0;
};

// Where pushes for `device` go: its push address, else the address of its latest request; its push
// port, else `defaultPort`. Nothing when neither address is known.
std::optional<PushTarget> PushTargetOf(const DeviceRecord& device, int defaultPort);

class CPushSender {
public:
    explicit CPushSender(std::chrono::milliseconds delay);
    ~CPushSender();
    CPushSender(const CPushSender&) = delete;
    CPushSender& operator=(const CPushSender&) = delete;

    // False, with the reason in `error`, when the datagram could not be sent.
    bool SendNow(const PushTarget& target, std::string_view text, std::string& error);
    // Queues the datagram for the sender's thread; failures are logged.
    void SendLater(PushTarget target, std::string text);
    // Ends the sender's thread; pushes still queued are dropped with a log line.
    void Stop();

private:
    struct Pending {
        std::chrono::steady_clock::time_point due;
        PushTarget target;
        std::string text;
    };

    void Run();

    const std::chrono::milliseconds m_delay;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Pending> m_queue;
    bool m_stopping = false;
    std::thread m_thread;
};
