#pragma once
// The power-mode measurement menu: six slots, each a button naming the measurement the panel
// under the trace shows there ("NONE" while empty); pressing one opens a picker of "None" and
// the 23 measurements. Render thread only.

#include "menus/MenuLayer.h"

namespace nolvo {

class PowerMeasureMenu : public MenuLayer {
public:
    static constexpr int kSlots = 6;
    static PowerMeasureMenu* create() { return MenuLayer::make<PowerMeasureMenu>(); }
    // Caption of slot 1..6.
    static std::string slotCaption(int slot);

protected:
    friend class MenuLayer;
    PowerMeasureMenu() = default;
    void buildRows() override;
};

} // namespace nolvo
