#include "menus/PowerMeasureMenu.h"

#include <string>

#include "menus/PowerMenuValues.h"
#include "model/DataModel.h"

namespace nolvo {

namespace {
PowerSettings& power() { return DataModel::getInstance()->power; }
} // namespace

std::string PowerMeasureMenu::slotCaption(int slot) { return "SLOT " + std::to_string(slot) + ": "; }

void PowerMeasureMenu::buildRows()
{
    for (int slot = 1; slot <= kSlots; ++slot) {
        addPicker(
            slotCaption(slot), [] { return power_menu::measurementOptions(); },
            [slot] { return power_menu::measurementRowOf(power().measurements[slot - 1]); },
            [slot] { return power_menu::measurementSlotTitle(power(), slot); },
            [slot](int row) { power().measurements[slot - 1] = power_menu::measurementIdOfRow(row); });
    }
}

} // namespace nolvo
