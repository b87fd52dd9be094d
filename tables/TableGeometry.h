#pragma once
// Layout numbers of the access-point tables by display size class, and the scrolling arithmetic
// they share (offsets are the table view's content offsets: y runs from the minimum offset, which
// shows the first row at the top, up to 0, which shows the end of the list).

#include <cstdint>

namespace nolvo {

struct TableMetrics {
    float rowHeight = 26.0f;
    bool compact = false;
    float headerFontSize = 14.0f;
    float cellMargin = 3.0f;
};

// Row height, compact layout, header font size and cell margin for a display size class.
TableMetrics tableMetrics(int displaySizeClass);

// The offset after a reload that keeps the first visible row where it was: the same distance from
// the top as before, limited to the new range. Returns `fallback` (what the reload left) when the
// table was scrolled past its end, is empty, or fits without scrolling.
float keptOffsetY(float oldY, float oldMinY, float newMinY, float containerHeight, float fallback);

// An offset moved by `delta` points (positive moves towards the end of the list), limited to the
// range [minY, 0] (a table shorter than its view stays at minY).
float scrolledOffsetY(float offsetY, float minY, float delta);

} // namespace nolvo
