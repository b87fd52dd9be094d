#pragma once
// The actions behind menu rows and shortcuts that do more than write one settings field: the
// configuration slots, the data log, clearing the waveform, screenshots, and asking the accessory
// link to stop or restart. Each takes the model locks it needs in the usual order.
// Render thread only (the link is reached through MenuController::linkControl()).

#include <ctime>
#include <string>

namespace nolvo {

class DataModel;

namespace menu_actions {

// ---- the link ----
void requestRestart(bool clearHistories);
void requestStop();
void restartDemoPlayback();

// ---- access points ----
// True when the identified accessory reports no access-point capability in either band (before
// identification nothing is known, and nothing is refused).
bool accessPointsUnavailable(DataModel& model);
// The "SSID unavailable!" alert, or "Access Point Utilization unavailable!" for the utilization
// table; both buttons only close it.
void showAccessPointsUnavailable(bool utilization);

// ---- histories ----
// Empties the sweep histories and the access-point list (dataLock, then accessPointLock).
void clearWaveform(DataModel& model);

// ---- configuration slots 1..3 and the defaults ----
// Saves the working settings into `slot` under all three locks and clears the histories.
void saveConfiguration(DataModel& model, int slot);
// Loads `slot` under all three locks, clears the histories and restarts the link (and demo
// playback when the demo choices changed). A slot that holds no configuration changes nothing and
// shows "Configuration N is empty."; false then.
bool loadConfiguration(DataModel& model, int slot);
// Restores the defaults under all three locks, clears the histories, restarts as a load does.
void resetConfiguration(DataModel& model);

// ---- data log ----
// START acts only when no log runs (state 0 -> 1), STOP only when one does (1 or 2 -> 3).
bool startDataLog(DataModel& model);
bool stopDataLog(DataModel& model);
bool isDataLogRunning(const DataModel& model);

// ---- screenshots ----
// "Nolvo_" + local date and time as %d%.2d%.2d_%.2d%.2d%.2d + ".png"; the time part is left
// empty when it would not fit in 30 characters.
std::string screenshotFileName(std::time_t when);
// Saves the screen after the next frame into the writable directory; the result is logged.
void saveScreenshot(DataModel& model);

} // namespace menu_actions
} // namespace nolvo
