// A guarded value is reached only under its lock.
#include "utils/Guarded.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

namespace {

// A reference to the value taken from a handle that dies with its expression would outlive the lock.
template <typename T>
concept GivesValueOfDyingHandle = requires { *std::declval<typename CGuarded<T>::Locked>(); };
static_assert(!GivesValueOfDyingHandle<int>);
static_assert(requires(const CGuarded<int>::Locked& handle) { *handle; });

TEST(Guarded, AHandleKeepsOtherThreadsOutWhileItLives)
{
    CGuarded<int> value(1);
    std::atomic<bool> changed{false};
    std::thread other;
    {
        const CGuarded<int>::Locked handle = value.Lock();
        other = std::thread([&] {
            value.With([](int& number) { number *= 10; });
            changed = true;
        });
        *handle = 2;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(changed.load());
        EXPECT_EQ(*handle, 2);
    }
    other.join();
    EXPECT_EQ(value.With([](const int& number) { return number; }), 20);
}

} // namespace
