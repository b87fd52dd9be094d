#include "app/KeyboardShortcuts.h"

#include "menus/MenuActions.h"
#include "menus/MenuBar.h"
#include "menus/MenuController.h"
#include "model/DataModel.h"

namespace nolvo {

using Key = engine::EventKeyboard::KeyCode;

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
