#include "display/ColorMaps.h"

#include <cmath>

namespace nolvo {

namespace {

std::uint8_t toByte(float unit)
{
    const float scaled = unit * 255.0f;
    if (!(scaled > 0.0f)) return 0;
    if (scaled >= 255.0f) return 255;
    return static_cast<std::uint8_t>(scaled);
}

std::uint8_t lerpByte(float a, float b, float u)
{
    const float v = a + (b - a) * u;
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<std::uint8_t>(v);
}

Rgb fire(int v)
{
    if (v < 86) return {lerpByte(85, 255, static_cast<float>(v) / 85.0f), 0, 0};
    if (v <= 170) return {255, lerpByte(0, 255, static_cast<float>(v - 85) / 85.0f), 0};
    return {255, 255, lerpByte(0, 255, static_cast<float>(v - 170) / 85.0f)};
}

Rgb mapEntry(int index, int i, int n)
{
    // A one-entry table would divide by zero: it takes the map's first colour.
    const int last = n > 1 ? n - 1 : 1;
    const int v = (n > 1) ? i * 255 / last : 0;
    const float t = static_cast<float>(v) / 255.0f;
    switch (index) {
    case static_cast<int>(ColorMapKind::Rainbow):
        return hsvToRgb(300.0f - static_cast<float>(i) * 300.0f / static_cast<float>(last), 1.0f, 1.0f);
    case static_cast<int>(ColorMapKind::Fire):
        return fire(v);
    case static_cast<int>(ColorMapKind::XRay):
        return {lerpByte(86, 174, t), lerpByte(93, 246, t), lerpByte(84, 235, t)};
    case static_cast<int>(ColorMapKind::Green):
        return {0, lerpByte(50, 255, t), 0};
    default: {
        const auto g = static_cast<std::uint8_t>(v);
        return {g, g, g};
    }
    }
}

} // namespace

Rgb hsvToRgb(float hue, float saturation, float value)
{
    if (hue == 360.0f) hue = 359.99f;
    const float k = saturation * value;
    const float h = hue / 60.0f;
    const float x = k * (1.0f - std::fabs(std::fmod(h, 2.0f) - 1.0f));
    float r = 0, g = 0, b = 0;
    if (h >= 0 && h < 1) { r = k; g = x; }
    else if (h >= 1 && h < 2) { r = x; g = k; }
    else if (h >= 2 && h < 3) { g = k; b = x; }
    else if (h >= 3 && h < 4) { g = x; b = k; }
    else if (h >= 4 && h < 5) { r = x; b = k; }
    else if (h >= 5 && h < 6) { r = k; b = x; }
    const float m = value - k;
    return {toByte(r + m), toByte(g + m), toByte(b + m)};
}

std::vector<Rgb> buildColorMap(int index, int n)
{
    std::vector<Rgb> table;
    if (n <= 0) return table;
    table.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) table.push_back(mapEntry(index, i, n));
    return table;
}

std::vector<Rgb> buildWaterfallColorTable(int index)
{
    constexpr int kEntries = 256;
    if (index != static_cast<int>(ColorMapKind::Rainbow)) return buildColorMap(index, kEntries);
    std::vector<Rgb> table;
    table.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        const float u = 1.0f - static_cast<float>(i) / 255.0f;
        const float hue = 255.0f * (u - 0.1f * std::sin(6.283f * u));
        table.push_back(hsvToRgb(hue, 1.0f, 1.0f));
    }
    return table;
}

} // namespace nolvo
