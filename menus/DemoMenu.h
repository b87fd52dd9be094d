#pragma once
// The demo menu: which accessory model the demo replays ("HARDWARE: "), which radio scene
// ("SIGNAL TYPE: ") and whether the recorded access points are shown ("WIFI SSID: ", usable only
// for a model with access points playing the Wi-Fi scene). A new model or scene starts playback
// over from identification; choosing the value already chosen changes nothing.
// Render thread only.

#include <string>
#include <vector>

#include "menus/MenuLayer.h"

namespace nolvo {

class DemoMenu : public MenuLayer {
public:
    static DemoMenu* create() { return MenuLayer::make<DemoMenu>(); }

    // "Nolvo", "Nolvo-Pro", "Nolvo 5x"; "Unknown" for any other value.
    static const std::vector<std::string>& hardwareLabels();
    static std::string hardwareLabel(int hardware);
    // "NONE", "WIFI", "DECT", "DSS"; "Unknown" for any other value.
    static const std::vector<std::string>& signalLabels();
    static std::string signalLabel(int signal);
    // The "WIFI SSID: " buttons can be used: a model other than the first, playing Wi-Fi.
    static bool accessPointsChoosable(int hardware, int signal);

    // What the pickers do: store the choice and restart playback when it changed.
    static void chooseHardware(int hardware);
    static void chooseSignal(int signal);
    // What "OFF" and "ON" of "WIFI SSID: " store.
    static void chooseAccessPoints(bool on);

protected:
    friend class MenuLayer;
    DemoMenu() = default;
    void buildRows() override;
};

} // namespace nolvo
