#pragma once
// The power-mode menu: the internal and external attenuation (usable only while a power-capable
// accessory is connected) and the reference trace: "REF" shows or hides it, "GRAB" takes the
// newest trace as the reference and shows it, "CLR" empties it. Render thread only.

#include "menus/MenuLayer.h"

namespace nolvo {

class PowerMenu : public MenuLayer {
public:
    static PowerMenu* create() { return MenuLayer::make<PowerMenu>(); }

protected:
    friend class MenuLayer;
    PowerMenu() = default;
    void buildRows() override;
};

} // namespace nolvo
