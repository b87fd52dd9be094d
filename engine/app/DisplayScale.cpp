#include "engine/app/DisplayScale.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <X11/Xlib.h>

namespace engine {

namespace {
constexpr float kMinScale = 0.5f;
constexpr float kMaxScale = 4.0f;

std::optional<float> parseScale(const char* text)
{
    if (!text || !*text) return std::nullopt;
    char* end = nullptr;
    const float value = std::strtof(text, &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (!end || *end != '\0' || !std::isfinite(value)) return std::nullopt;
    if (value < kMinScale || value > kMaxScale) return std::nullopt;
    return value;
}

std::optional<float> fromDpi(std::optional<float> dpi)
{
    if (!dpi || !std::isfinite(*dpi)) return std::nullopt;
    const float scale = *dpi / 96.0f;
    if (scale < kMinScale || scale > kMaxScale) return std::nullopt;
    return scale;
}
}

float discoverContentScale(const ScaleSources& sources)
{
    if (auto scale = parseScale(sources.env)) return *scale;
    if (auto scale = fromDpi(sources.xftDpi)) return *scale;
    return 1.0f;
}

float discoverScale(const ScaleSources& sources)
{
    if (auto scale = parseScale(sources.env)) return *scale;
    if (auto scale = fromDpi(sources.xftDpi)) return *scale;
    const float ratio = sources.drawableRatio;
    if (std::isfinite(ratio) && ratio >= kMinScale && ratio <= kMaxScale) return ratio;
    return 1.0f;
}

ScaleSources readScaleSources()
{
    ScaleSources sources;
    sources.env = std::getenv("NOLVO_SCALE");
    // Only an X session has Xft.dpi; elsewhere (Wayland without XWayland) the display is absent.
    if (Display* display = XOpenDisplay(nullptr)) {
        if (const char* dpi = XGetDefault(display, "Xft", "dpi")) {
            char* end = nullptr;
            const float value = std::strtof(dpi, &end);
            if (end != dpi) sources.xftDpi = value;
        }
        XCloseDisplay(display);
    }
    return sources;
}

} // namespace engine
