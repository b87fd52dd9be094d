#include "menus/SpectrumColorMenu.h"

#include "menus/MenuValues.h"
#include "model/DataModel.h"

namespace nolvo {


void SpectrumColorMenu::buildRows()
{
    // The heat map and the waterfall always share the colour map chosen here; the button shows
    // the waterfall's.
    addPicker(
        "COLORS: ", [] { return menu_values::colorMapNames(); },
        [] {
            return menu_values::rowOf(DataModel::getInstance()->spectrum.waterfallColorMap,
                                      menu_values::colorMapNames().size());
        },
        [] { return menu_values::colorMapName(DataModel::getInstance()->spectrum.waterfallColorMap); },
        [](int row) {
            SpectrumSettings& s = DataModel::getInstance()->spectrum;
            s.heatMapColorMap = row;
            s.waterfallColorMap = row;
        });
}

} // namespace nolvo
