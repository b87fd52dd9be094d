#pragma once
// Waits for something another thread does: polls `condition` until it holds or `limit` passes.
// Generous by default, as the sanitizer builds on a busy machine are slow; a passing test waits
// only as long as the condition takes.

#include <chrono>
#include <functional>
#include <thread>

namespace nolvo::test {

inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::seconds(60))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return condition();
}

} // namespace nolvo::test
