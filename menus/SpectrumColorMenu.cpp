#include "menus/SpectrumColorMenu.h"

#include "menus/MenuValues.h"
#include "model/DataModel.h"

namespace nolvo {

namespace mv = menu_values;

void SpectrumColorMenu::buildRows()
{
    // The heat map and the waterfall always share the colour map chosen here; the button shows
    // the waterfall's.
    addPicker(
        "COLORS: ", [] { return mv::colorMapNames(); },
        [] { return mv::rowOf(DataModel::getInstance()->spectrum.waterfallColorMap, mv::colorMapNames().size()); },
        [] { return mv::colorMapName(DataModel::getInstance()->spectrum.waterfallColorMap); },
        [](int row) {
            SpectrumSettings& s = DataModel::getInstance()->spectrum;
            s.heatMapColorMap = row;
            s.waterfallColorMap = row;
        });
}

} // namespace nolvo
