#include "platform/Clock.h"

#include <atomic>
#include <chrono>

namespace engine::clock {

namespace {
std::atomic<Source> g_source{nullptr};
}

std::uint64_t steadyMs()
{
    if (Source source = g_source.load(std::memory_order_acquire)) {
        return source();
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void setSource(Source source)
{
    g_source.store(source, std::memory_order_release);
}

} // namespace engine::clock
