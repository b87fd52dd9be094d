#pragma once
// Where the access-point overlay draws an access point, free of any drawing: the centre and
// widths of its outline on the band's frequency axis, its height on the band's amplitude window,
// and the smoothing of the strength it shows. Pure functions: any thread may call them; the
// caller holds accessPointLock for the records it passes.

#include <cstdint>
#include <optional>

namespace nolvo {

class AccessPoint;

struct AccessPointShape {
    float x = 0.0f;           // centre, layer points
    float bottomWidth = 0.0f; // points
    float topWidth = 0.0f;    // points
    bool dome = false;        // an 802.11b access point: a half ellipse rather than a trapezoid
};

// The mode an outline is drawn for: the first flag set in the order ac, n, a, g, b (the
// AccessPoint kMode* values), 0 when none is set.
std::uint8_t overlayMode(std::uint8_t modes);

// The outline of an access point on a layer `width` points wide: 2400..2500 MHz across the width
// for band 0, 5145..5860 MHz for band 1. Nothing for an access point that is not drawn: a band
// other than 0 and 1, a 2.4 GHz channel 0 or above 14, a 5 GHz channel outside 36..165, or a
// 5 GHz channel width the overlay does not show (80, 160 and other values reported as widths; wide
// channels are recognised from the centre segments of a 40 MHz record instead).
std::optional<AccessPointShape> accessPointShape(const AccessPoint& ap, float width);

// One step of the shown strength (displayLevel) moving towards the received one (rssi) over
// `frameSeconds`: a rise takes 3 seconds at constant speed from where it started, a fall eases out
// and lands within 0.01 dB, so a settled level stops changing. No step for a time of 0 or less,
// and never past the received strength.
void smoothStrength(AccessPoint& ap, float frameSeconds);

// Height of the outline: the shown strength clamped to [bottom, top] of the amplitude window,
// scaled to `height` points. 0 for an empty or inverted window or a strength that is not a number.
float strengthHeight(float strength, float bottom, float top, float height);

} // namespace nolvo
