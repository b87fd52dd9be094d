#include "menus/MenuActions.h"

#include <cstdio>
#include <cstring>

#include "engine/app/Director.h"
#include "engine/renderer/CaptureScreen.h"
#include "menus/AlertViewLayer.h"
#include "menus/LinkControl.h"
#include "menus/MenuController.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"

namespace nolvo::menu_actions {

namespace {

// Alerts need a window; without one (tools, tests without a display) the refusal stays silent.
bool canAlert()
{
    return engine::Director::getInstance()->getRunningScene() != nullptr;
}

} // namespace

void requestRestart(bool clearHistories)
{
    if (LinkControl* link = MenuController::getInstance()->linkControl()) link->requestRestart(clearHistories);
}

void requestStop()
{
    if (LinkControl* link = MenuController::getInstance()->linkControl()) link->requestStop();
}

void restartDemoPlayback()
{
    if (LinkControl* link = MenuController::getInstance()->linkControl()) link->restartDemoPlayback();
}

bool accessPointsUnavailable(DataModel& model)
{
    ModelLock lock(model, kDataLock);
    const AccessoryInfo& info = model.deviceInfo;
    return info.modelId != 0 && !info.has24AccessPoints && !info.has5AccessPoints;
}

void showAccessPointsUnavailable(bool utilization)
{
    if (!canAlert()) return;
    AlertViewLayer* alert = AlertViewLayer::create(
        utilization ? "Access Point Utilization unavailable!" : "SSID unavailable!",
        "SSID is unavailable with Nolvo! Please visit the website to find SSID enabled products.", "", {"OK", "Website"});
    // Either answer only closes the alert.
    if (alert) alert->show();
}

void clearWaveform(DataModel& model)
{
    // clearHistories also empties the access-point list: both locks, in the usual order.
    ModelLock lock(model, kDataLock | kAccessPointLock);
    model.clearHistories();
}

namespace {

// Clears what a whole-configuration change leaves stale (all three locks held).
void clearMeasurements(DataModel& model)
{
    model.clearHistories();
    model.clearDerivedTraces();
    model.cursorResults.reset();
}

// After the working settings were replaced: new settings for the accessory, and demo playback
// started over when it now plays another model or scene.
void afterSettingsReplaced(DataModel& model, const DemoSettings& demoBefore)
{
    model.menuRefresh.store(true);
    const DemoSettings demoNow = model.demoSettings();
    const bool demoChanged = demoBefore.hardware != demoNow.hardware || demoBefore.scene != demoNow.scene;
    if (demoChanged && !model.accessoryConnected.load()) {
        restartDemoPlayback();
    } else {
        requestRestart(true);
    }
}

} // namespace

void saveConfiguration(DataModel& model, int slot)
{
    if (slot < 1 || slot >= DataModel::kSlotCount) return;
    ModelLock lock(model, kAllModelLocks);
    model.saveConfiguration(slot);
    clearMeasurements(model);
}

bool loadConfiguration(DataModel& model, int slot)
{
    if (slot < 1 || slot >= DataModel::kSlotCount) return false;
    if (!model.slotHoldsConfiguration(slot)) {
        // Loading it would reset the working settings and overwrite the slot with them.
        if (canAlert())
            AlertViewLayer::showSimple("Configuration " + std::to_string(slot) + " is empty.",
                                   "Save a configuration into it first.", "OK");
        return false;
    }
    const DemoSettings demoBefore = model.demoSettings();
    {
        ModelLock lock(model, kAllModelLocks);
        model.loadConfiguration(slot);
        clearMeasurements(model);
    }
    afterSettingsReplaced(model, demoBefore);
    return true;
}

void resetConfiguration(DataModel& model)
{
    const DemoSettings demoBefore = model.demoSettings();
    {
        ModelLock lock(model, kAllModelLocks);
        model.clearHistories();
        model.clearDerivedTraces();
        model.resetSettings();
    }
    afterSettingsReplaced(model, demoBefore);
}

bool startDataLog(DataModel& model)
{
    int off = kLogOff;
    return model.dataLogState.compare_exchange_strong(off, kLogStartRequested);
}

bool stopDataLog(DataModel& model)
{
    for (int running : {kLogging, kLogStartRequested}) {
        int expected = running;
        if (model.dataLogState.compare_exchange_strong(expected, kLogStopRequested)) return true;
    }
    return false;
}

bool isDataLogRunning(const DataModel& model)
{
    const int state = model.dataLogState.load();
    return state == kLogStartRequested || state == kLogging;
}

std::string screenshotFileName(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[64];
    const int n = std::snprintf(stamp, sizeof stamp, "%d%.2d%.2d_%.2d%.2d%.2d", local.tm_year + 1900, local.tm_mon + 1,
                                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    // A time text that does not fit the 30-character field is left out.
    if (n < 0 || n >= 30) stamp[0] = '\0';
    return std::string("Nolvo_") + stamp + ".png";
}

void saveScreenshot(DataModel& model)
{
    const std::string name = screenshotFileName(std::time(nullptr));
    DataModel* target = &model;
    engine::utils::captureScreen(
        [target](bool ok, const std::string& path) {
            target->logLine(1, ok ? "Screenshot saved: " + path : "Screenshot failed: " + path);
            std::printf("%s %s\n", ok ? "screenshot saved:" : "screenshot failed:", path.c_str());
        },
        name);
}

} // namespace nolvo::menu_actions
