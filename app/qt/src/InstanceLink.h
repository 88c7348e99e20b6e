#pragma once
// How a second start of lumeno on the same device reaches the running copy: the copy that holds the
// instance guard listens on a local socket named after the device's data folder, and a second start
// asks it to come to the front, then ends.

#include <QLocalServer>

#include <functional>

class CInstanceLink {
public:
    // The running copy: calls `raise` on the user-interface thread each time a second start asks.
    // False, with the reason in `error`, when the socket cannot be made (the program runs on).
    bool Listen(std::function<void()> raise, QString& error);
    // A second start: asks the running copy to come to the front, trying up to `attempts` times
    // `intervalMs` apart while that copy may still be starting. True once it was asked.
    static bool AskToRaise(int attempts, int intervalMs);

    // The socket's name for the current device.
    static QString Name();

private:
    QLocalServer m_server;
    std::function<void()> m_raise;
};
