#pragma once
// The settings menu: configuration slots, defaults, the data log, files, screenshots, the
// graticule, alerts, persistence style and power units.
// Render thread only.

#include <functional>

#include "menus/MenuLayer.h"

namespace nolvo {

class SettingsMenu : public MenuLayer {
public:
    static SettingsMenu* create() { return MenuLayer::make<SettingsMenu>(); }

    // What "MANAGE FILES" opens; the row is disabled while none is set.
    static void setFileManagerOpener(std::function<void()> opener);

protected:
    friend class MenuLayer;
    SettingsMenu() = default;
    void buildRows() override;
};

} // namespace nolvo
