#pragma once
// The keyboard shortcuts of the main window:
//   space  pause / resume (run state 0 <-> 1; from a single sweep, back to running)
//   s      arm a single sweep (run state 2)
//   t      open / close the access-point table (spectrum mode)
//   u      open / close the access-point utilization table (spectrum mode)
//   F12    save a screenshot "Nolvo_<date>_<time>.png" in the writable directory
// Render thread only.

#include <ctime>
#include <string>

#include "engine/input/Event.h"

namespace nolvo {

class DataModel;

class KeyboardShortcuts {
public:
    enum class Action { None, RunStateChanged, Screenshot, ToggleAccessPointTable, ToggleUtilizationTable };

    // Applies the shortcut of `key` to the model's run state; says what happened.
    static Action handleKey(engine::EventKeyboard::KeyCode key, DataModel& model);
    // The same for a key event; presses repeated by holding a key down do nothing, so a held
    // space does not toggle the run state again and again.
    static Action handleKey(const engine::EventKeyboard& event, DataModel& model);
    // "Nolvo_" + local date and time as %d%.2d%.2d_%.2d%.2d%.2d + ".png" (no directory).
    static std::string screenshotFileName(std::time_t when);
    // Takes the screenshot after the next frame; the result is written to the on-screen log.
    static void saveScreenshot(DataModel& model);
};

} // namespace nolvo
