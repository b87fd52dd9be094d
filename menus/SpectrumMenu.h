#pragma once
// The spectrum menu: band, view, access-point overlay and tables, scan interval, the three
// traces, clearing the waveform, the hold / decay / average times and the attenuation.
// Render thread only.

#include "menus/MenuLayer.h"

namespace nolvo {

class SpectrumMenu : public MenuLayer {
public:
    static SpectrumMenu* create() { return MenuLayer::make<SpectrumMenu>(); }

protected:
    friend class MenuLayer;
    SpectrumMenu() = default;
    void buildRows() override;
};

} // namespace nolvo
