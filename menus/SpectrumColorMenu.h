#pragma once
// The colour menu of spectrum mode: one colour map for both the heat map and the waterfall.
// Render thread only.

#include "menus/MenuLayer.h"

namespace nolvo {

class SpectrumColorMenu : public MenuLayer {
public:
    static SpectrumColorMenu* create() { return MenuLayer::make<SpectrumColorMenu>(); }

protected:
    friend class MenuLayer;
    SpectrumColorMenu() = default;
    void buildRows() override;
};

} // namespace nolvo
