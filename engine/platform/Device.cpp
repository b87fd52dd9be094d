#include "platform/Device.h"

#include <cmath>
#include <mutex>

namespace engine {

namespace {
std::mutex g_mutex;
std::function<float()> g_dpiProvider;
std::function<void(bool)> g_keepOnHandler;
}

int Device::getDPI()
{
    std::function<float()> provider;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        provider = g_dpiProvider;
    }
    if (!provider) {
        return kFallbackDpi;
    }
    const float dpi = provider();
    // Virtual displays (Xvfb, some remote sessions) report 0 or nonsense.
    if (!std::isfinite(dpi) || dpi < 20.0f || dpi > 2000.0f) {
        return kFallbackDpi;
    }
    return static_cast<int>(std::lround(dpi));
}

void Device::setKeepScreenOn(bool keepOn)
{
    std::function<void(bool)> handler;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        handler = g_keepOnHandler;
    }
    if (handler) {
        handler(keepOn);
    }
}

void Device::setDpiProvider(std::function<float()> provider)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_dpiProvider = std::move(provider);
}

void Device::setKeepScreenOnHandler(std::function<void(bool)> handler)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_keepOnHandler = std::move(handler);
}

} // namespace engine
