#pragma once
// The cursor readouts of the status strip in power mode (the same four colour columns as in
// spectrum mode). With the vertical (time) cursors: "@t:" the active cursor's time from the
// trigger point and "Δt:" the time between the cursors; "@dBm:"/"@W:" the newest trace's level
// under the active cursor and "ΔdBm:"/"ΔW:" the difference to the other cursor; "Ws:" the energy
// of the trace between the cursors (the time readouts in seconds, or as phase or ratio of a span). With the horizontal cursors: the active cursor's level and
// the difference between the two. Levels include the attenuation offset.
// Pure; the caller holds dataLock (cursor results, power window, time table).

#include <cstdint>

#include "display/CursorReadouts.h"

namespace nolvo {

// The power cursor options of the cursor settings: option9 is the time unit (BASE seconds, PHASE
// degrees, RATIO percent); option10 the span PHASE counts as 360°, option11 the span RATIO counts
// as 100 % (five divisions, the distance between the cursors, or the whole grid). A span of zero
// reads "--".
enum PowerCursorUnit : std::uint8_t { kUnitBase = 0, kUnitPhase = 1, kUnitRatio = 2 };
enum PowerCursorSpan : std::uint8_t { kWithinFiveDivisions = 0, kWithinCursors = 1, kWithinGrid = 2 };

CursorReadouts makePowerCursorReadouts(const DataModel& model, const engine::Size& plot);

} // namespace nolvo
