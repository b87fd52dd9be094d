#pragma once
// The measure menu of spectrum mode: peak-marker counts, the on-top peak trace and the
// channel guides of both bands.
// Render thread only.

#include "menus/MenuLayer.h"

namespace nolvo {

class SpectrumMeasureMenu : public MenuLayer {
public:
    static SpectrumMeasureMenu* create() { return MenuLayer::make<SpectrumMeasureMenu>(); }

protected:
    friend class MenuLayer;
    SpectrumMeasureMenu() = default;
    void buildRows() override;
};

} // namespace nolvo
