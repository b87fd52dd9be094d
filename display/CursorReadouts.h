#pragma once
// The texts of the cursor readouts in the status strip: four value/difference pairs (red,
// orange, magenta, yellow). In spectrum mode with the vertical cursors: the active cursor's
// frequency and the distance between the two cursors, then for each of the three trace
// selections that is a trace, its value at the active cursor and the difference between the
// cursors. With the horizontal cursors: the active cursor's level and the difference between
// the two. Power mode readouts belong to the power display and are not made here.
// Pure; the caller holds dataLock (cursor results, amplitude windows).

#include <array>
#include <string>

#include "engine/math/Geometry.h"

namespace nolvo {

class DataModel;

struct CursorReadout {
    bool shown = false;
    std::string value; // upper row
    std::string delta; // lower row
};

using CursorReadouts = std::array<CursorReadout, 4>;

// The band's frequency span in MHz (2400-2500 or 5145-5860).
void bandSpanMHz(int band, float& start, float& stop);

// The readouts for cursors drawn on a plot of `plot` points.
CursorReadouts makeCursorReadouts(const DataModel& model, const engine::Size& plot);

} // namespace nolvo
