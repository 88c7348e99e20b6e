#pragma once
// The watchdog for tests that wait on other threads: poll a condition for a bounded real time, so a
// missed wake-up fails the test instead of hanging it.

#include <chrono>
#include <thread>

template<typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
