// Every menu of the program, by the id its bar button opens. A menu without an entry here leaves
// its bar button disabled.

#include "menus/DataLogPickerViewMenu.h"
#include "menus/DemoMenu.h"
#include "menus/MenuController.h"
#include "menus/PowerMeasureMenu.h"
#include "menus/PowerMenu.h"
#include "menus/SettingsMenu.h"
#include "menus/SpectrumColorMenu.h"
#include "menus/SpectrumCursors.h"
#include "menus/SpectrumMeasureMenu.h"
#include "menus/SpectrumMenu.h"
#include "menus/TriggerMenu.h"

namespace nolvo {

void registerMenus(MenuController& controller)
{
    controller.registerMenu(kSpectrumMenu, [] { return SpectrumMenu::create(); });
    controller.registerMenu(kCursorsMenu, [] { return SpectrumCursors::create(); });
    controller.registerMenu(kSpectrumMeasureMenu, [] { return SpectrumMeasureMenu::create(); });
    controller.registerMenu(kSpectrumColorMenu, [] { return SpectrumColorMenu::create(); });
    controller.registerMenu(kPowerMenu, [] { return PowerMenu::create(); });
    controller.registerMenu(kPowerMeasureMenu, [] { return PowerMeasureMenu::create(); });
    controller.registerMenu(kTriggerMenu, [] { return TriggerMenu::create(); });
    controller.registerMenu(kDemoMenu, [] { return DemoMenu::create(); });
    controller.registerMenu(kSettingsMenu, [] { return SettingsMenu::create(); });
    // "MANAGE FILES" turns the settings menu into the data-log file manager.
    SettingsMenu::setFileManagerOpener([] { DataLogPickerViewMenu::openInPlaceOfOpenMenu(); });
}

} // namespace nolvo
