#pragma once
// Picking an access-point outline of the overlay: by a click or tap (the strongest outline under
// the pointer wins where outlines overlap) and by Tab (left to right across the band, strongest
// first where two share a centre). Pure functions over what the overlay drew last; render thread.

#include <cstddef>
#include <vector>

#include "display/AccessPointShape.h"
#include "model/AccessPoint.h"

namespace nolvo {

// One outline as the overlay drew it, in the layer's coordinates (origin at its bottom left).
struct OverlayOutline {
    Bssid bssid{};
    AccessPointShape shape;
    float height = 0.0f; // points
    float rssi = 0.0f;   // dBm, the received strength (decides overlaps)
};

// Whether `x`, `y` lies inside the outline or within `slop` points of it (a flat outline is still
// hit along its base).
bool outlineContains(const OverlayOutline& outline, float x, float y, float slop);

// Index of the strongest outline containing the point, or -1.
int pickOutline(const std::vector<OverlayOutline>& outlines, float x, float y, float slop);

// The outline after (`direction` 1) or before (-1) the one with `current`'s address in Tab order;
// the first (or last) when `current` is not among them; -1 when there are none.
int cycleOutline(const std::vector<OverlayOutline>& outlines, const Bssid* current, int direction);

} // namespace nolvo
