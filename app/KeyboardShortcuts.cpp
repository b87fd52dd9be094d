#include "app/KeyboardShortcuts.h"

#include <cstdio>

#include "engine/renderer/CaptureScreen.h"
#include "model/DataModel.h"

namespace nolvo {

using Key = engine::EventKeyboard::KeyCode;

KeyboardShortcuts::Action KeyboardShortcuts::handleKey(Key key, DataModel& model)
{
    switch (key) {
    case Key::KEY_SPACE: {
        const int state = model.runState.load();
        model.runState.store(state == kRunning ? kStopped : kRunning);
        model.menuRefresh.store(true); // the bar shows the run state
        return Action::RunStateChanged;
    }
    case Key::KEY_S:
        model.runState.store(kSingleArmed);
        model.menuRefresh.store(true);
        return Action::RunStateChanged;
    case Key::KEY_F12:
        return Action::Screenshot;
    case Key::KEY_T:
        return Action::ToggleAccessPointTable;
    case Key::KEY_U:
        return Action::ToggleUtilizationTable;
    default:
        return Action::None;
    }
}

KeyboardShortcuts::Action KeyboardShortcuts::handleKey(const engine::EventKeyboard& event, DataModel& model)
{
    if (!event.isPressed() || event.isRepeat()) return Action::None;
    return handleKey(event.getKeyCode(), model);
}

std::string KeyboardShortcuts::screenshotFileName(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    const int n = std::snprintf(stamp, sizeof stamp, "%d%.2d%.2d_%.2d%.2d%.2d", local.tm_year + 1900,
                                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    if (n < 0 || n >= static_cast<int>(sizeof stamp)) return "Nolvo_screenshot.png";
    return std::string("Nolvo_") + stamp + ".png";
}

void KeyboardShortcuts::saveScreenshot(DataModel& model)
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

} // namespace nolvo
