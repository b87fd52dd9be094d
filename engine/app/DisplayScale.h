#pragma once
// How many pixels a point takes on this display. One scale covers both the desktop's content
// scale (a 2x setting on X11) and the framebuffer scale (Wayland, macOS: a window measured in
// points whose drawable has more pixels). Discovery, first answer wins:
//   1. NOLVO_SCALE (a number from 0.5 to 4),
//   2. the X resource Xft.dpi divided by 96,
//   3. the drawable size over the window size,
//   4. 1.
// The first two size the window (more window pixels per point); the third comes for free from
// the drawable. Window size, font pixel sizes and line widths follow the scale; layout stays in
// points.

#include <optional>

namespace engine {

struct ScaleSources {
    const char* env = nullptr;      // NOLVO_SCALE, null when unset
    std::optional<float> xftDpi;    // Xft.dpi, when the X server has it
    float drawableRatio = 1.0f;     // drawable pixels per window unit
};

// The scale the sources give, clamped to 0.5..4; a source that is malformed or out of range is
// passed over for the next.
float discoverScale(const ScaleSources& sources);
// The content part alone (NOLVO_SCALE, else Xft.dpi / 96, else 1): what the window is zoomed by.
float discoverContentScale(const ScaleSources& sources);
// Reads NOLVO_SCALE and Xft.dpi (through Xlib) from this session.
ScaleSources readScaleSources();

} // namespace engine
