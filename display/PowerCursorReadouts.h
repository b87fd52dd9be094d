#pragma once
// The cursor readouts of the status strip in power mode (the same four colour columns as in
// spectrum mode). With the vertical (time) cursors: "@t:" the active cursor's time from the
// trigger point and "Δt:" the time between the cursors; "@dBm:"/"@W:" the newest trace's level
// under the active cursor and "ΔdBm:"/"ΔW:" the difference to the other cursor; "Ws:" the energy
// of the trace between the cursors (the time readouts in seconds, or as phase or ratio of a span). With the horizontal cursors: the active cursor's level and
// the difference between the two. Levels include the attenuation offset.
// Pure; the caller holds dataLock (cursor results, power window, time table).

#include "display/CursorReadouts.h"

namespace nolvo {

// The time readouts follow the power cursor options of the cursor settings (PowerCursorUnit,
// PowerCursorSpan); a span of zero reads "--".

CursorReadouts makePowerCursorReadouts(const DataModel& model, const engine::Size& plot);

} // namespace nolvo
