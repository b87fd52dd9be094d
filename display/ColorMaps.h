#pragma once
// Colour tables shared by the heat map and the waterfall. Pure functions, any thread.

#include <cstdint>
#include <vector>

namespace nolvo {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// Colour-map indices as stored in the settings; anything else builds the grey ramp.
enum class ColorMapKind : int { Rainbow = 0, Fire = 1, XRay = 2, Green = 3 };

// HSV (hue in degrees, saturation and value 0..1) to bytes. A hue of exactly 360 counts as
// 359.99; a hue outside [0, 360) gives black before the value offset is added.
Rgb hsvToRgb(float hue, float saturation, float value);

// The n-entry table of colour map `index` (0 rainbow magenta->red, 1 fire, 2 x-ray, 3 green,
// other grey). n <= 0 gives an empty table; a one-entry table holds the map's first colour.
std::vector<Rgb> buildColorMap(int index, int n);

// The waterfall's 256-entry table: index 0 uses its own rainbow (blue at entry 0, red at 255),
// the other indices the maps above.
std::vector<Rgb> buildWaterfallColorTable(int index);

} // namespace nolvo
