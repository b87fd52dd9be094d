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

    // What the "RECORD: " row asks and does: whether the link stream is being recorded, and
    // start/stop. The row is disabled while no recorder is set (pass empty functions to unset).
    static void setRecordingControl(std::function<bool()> isRecording, std::function<void()> toggle);

protected:
    friend class MenuLayer;
    SettingsMenu() = default;
    void buildRows() override;
};

} // namespace nolvo
