#pragma once
// The access-point filter menu, opened from the spectrum menu's "FILTERS": SSID text (typed in
// the window, `/`), security classes, band, channel range, minimum signal, hidden networks, and
// "CLEAR FILTERS". Every change applies at once to the overlay, both tables, the details popover's
// cycling and the exports. "BACK" returns to the spectrum menu. Render thread only.

#include <string>
#include <vector>

#include "menus/MenuLayer.h"

namespace nolvo {

class AccessPointFilterMenu : public MenuLayer {
public:
    static AccessPointFilterMenu* create() { return MenuLayer::make<AccessPointFilterMenu>(); }
    // Replaces the open menu with this one.
    static bool openInPlaceOfOpenMenu();

    // ---- the values the rows show and set (also used by tests) ----
    // Picker rows of the channel bounds: "ANY", then the channels of both bands.
    static const std::vector<int>& channelChoices(); // 0 = ANY
    // Slider position 0 = off, 1..100 = -100..-20 dBm.
    static int minimumSignalPosition(bool on, float dBm);
    static float minimumSignalAt(int position);
    static std::string minimumSignalText(bool on, float dBm);

protected:
    friend class MenuLayer;
    AccessPointFilterMenu() = default;
    void buildRows() override;
};

} // namespace nolvo
