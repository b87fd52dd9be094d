#pragma once
// The keyboard shortcuts of the main window:
//   Esc        close the open picker, else the open menu
//   F1 .. F5   open (or close) the menus of the bar from left to right: mode menu, cursors,
//              measure, colours / trigger, demo / settings
//   M          switch between spectrum and power mode
//   arrows, Page Up / Down, Home, End, Enter   move and choose in an open picker (Space or
//              Enter turns the focused row of a multi-choice picker on or off)
//   Space      pause / resume (run state 0 <-> 1; from a single sweep, back to running)
//   S          arm a single sweep (run state 2)
//   T / U      open / close the access-point table / the utilization table (spectrum mode)
//   F12        save a screenshot "Nolvo_<date>_<time>.png" in the writable directory
//   W          real wave <-> waterfall
//   B          2.4 GHz <-> 5 GHz
// Pausing stops the accessory's stream; resuming and single sweeps restart it. W and B ask for the
// accessory to be reconfigured (see setReconfigureRequest).
// Render thread only.

#include <ctime>
#include <functional>
#include <string>

#include "engine/input/Event.h"

namespace nolvo {

class DataModel;

class KeyboardShortcuts {
public:
    enum class Action { None, Menu, RunStateChanged, SettingsChanged, Screenshot, ToggleAccessPointTable,
                        ToggleUtilizationTable };

    // Applies the shortcut of `key`: the menus' keys first, then the run state; says what happened.
    static Action handleKey(engine::EventKeyboard::KeyCode key, DataModel& model);
    // The same for a key event; presses repeated by holding a key down do nothing (so a held
    // space does not toggle the run state again and again), except the arrows and Page Up / Down
    // while a menu or picker takes them.
    static Action handleKey(const engine::EventKeyboard& event, DataModel& model);
    // "Nolvo_" + local date and time as %d%.2d%.2d_%.2d%.2d%.2d + ".png" (no directory).
    static std::string screenshotFileName(std::time_t when);
    // What W and B call after changing the settings (clearHistory: the old traces no longer
    // fit); the application sends the new settings to the accessory.
    static void setReconfigureRequest(std::function<void(bool clearHistory)> request);
    // Takes the screenshot after the next frame; the result is written to the on-screen log.
    static void saveScreenshot(DataModel& model);
};

} // namespace nolvo
