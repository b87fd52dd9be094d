#pragma once
// Device services that do not need a window. The windowing layer installs the real handlers
// (screen DPI, screensaver control) when it starts; without them the fallbacks apply.

#include <functional>

namespace engine {

class Device {
public:
    static constexpr int kFallbackDpi = 96;

    // Screen DPI; 96 when no provider is installed or the provider reports nothing sensible.
    static int getDPI();
    // Keeps the screen from blanking while the program runs (no-op without a handler).
    static void setKeepScreenOn(bool keepOn);

    static void setDpiProvider(std::function<float()> provider);
    static void setKeepScreenOnHandler(std::function<void(bool)> handler);
};

} // namespace engine
