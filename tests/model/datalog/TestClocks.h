#pragma once
// Fixed clocks for the data-log tests: a steady clock the test moves by hand, a wall clock that
// reads a chosen second, and local time pinned to UTC so that dates read the same everywhere.

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "platform/Clock.h"

namespace nolvo::test {

// 2024-03-15 09:30:05 UTC.
constexpr std::time_t kWallSecond = 1710495005;

inline std::atomic<std::uint64_t> g_steadyMs{0};
inline std::atomic<std::time_t> g_wallSeconds{kWallSecond};

inline std::uint64_t testSteadyMs()
{
    return g_steadyMs.load();
}
inline std::time_t testWallClock()
{
    return g_wallSeconds.load();
}

// Installs both clocks and UTC for the lifetime of the object.
class PinnedClocks {
public:
    explicit PinnedClocks(std::uint64_t steadyMs = 5000)
    {
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
        g_steadyMs = steadyMs;
        g_wallSeconds = kWallSecond;
        engine::clock::setSource(testSteadyMs);
    }
    ~PinnedClocks() { engine::clock::setSource(nullptr); }
    PinnedClocks(const PinnedClocks&) = delete;
    PinnedClocks& operator=(const PinnedClocks&) = delete;

    void advance(std::uint64_t ms) { g_steadyMs += ms; }
};

} // namespace nolvo::test
