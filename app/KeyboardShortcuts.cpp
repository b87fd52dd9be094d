#include "app/KeyboardShortcuts.h"

#include "menus/MenuActions.h"
#include "menus/MenuBar.h"
#include "menus/MenuController.h"
#include "model/DataModel.h"
#include "model/SharedField.h"

namespace nolvo {

using Key = engine::EventKeyboard::KeyCode;

namespace {

std::function<void(bool)>& reconfigureRequest()
{
    static std::function<void(bool)> request;
    return request;
}

// Flips a 0/1 setting; anything else stored becomes 1.
template <typename T>
void toggle(T& field)
{
    storeShared(field, static_cast<T>(loadShared(field) == 1 ? 0 : 1));
}

KeyboardShortcuts::Action settingsChanged(bool clearHistory)
{
    if (reconfigureRequest()) reconfigureRequest()(clearHistory);
    return KeyboardShortcuts::Action::SettingsChanged;
}

} // namespace

void KeyboardShortcuts::setReconfigureRequest(std::function<void(bool)> request)
{
    reconfigureRequest() = std::move(request);
}

KeyboardShortcuts::Action KeyboardShortcuts::handleKey(Key key, DataModel& model)
{
    if (MenuController::getInstance()->handleKey(key)) return Action::Menu;
    switch (key) {
    case Key::KEY_SPACE:
        MenuBar::applyRunState(model, model.runState.load() == kRunning ? kStopped : kRunning);
        return Action::RunStateChanged;
    case Key::KEY_S:
        MenuBar::applyRunState(model, kSingleArmed);
        return Action::RunStateChanged;
    case Key::KEY_F12:
        return Action::Screenshot;
    case Key::KEY_W:
        toggle(model.spectrum.displayMode);
        return settingsChanged(false);
    case Key::KEY_B:
        toggle(model.spectrum.band);
        return settingsChanged(true);
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
    if (!event.isPressed()) return Action::None;
    if (event.isRepeat()) {
        // A held arrow keeps moving through a menu or picker; every other key acts once per press.
        switch (event.getKeyCode()) {
        case Key::KEY_UP_ARROW:
        case Key::KEY_DOWN_ARROW:
        case Key::KEY_LEFT_ARROW:
        case Key::KEY_RIGHT_ARROW:
        case Key::KEY_PG_UP:
        case Key::KEY_PG_DOWN:
            return MenuController::getInstance()->handleKey(event.getKeyCode()) ? Action::Menu : Action::None;
        default:
            return Action::None;
        }
    }
    return handleKey(event.getKeyCode(), model);
}

std::string KeyboardShortcuts::screenshotFileName(std::time_t when)
{
    return menu_actions::screenshotFileName(when);
}

void KeyboardShortcuts::saveScreenshot(DataModel& model)
{
    menu_actions::saveScreenshot(model);
}

} // namespace nolvo
