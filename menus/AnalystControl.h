#pragma once
// What the menus need of the Wi-Fi analyst tools that the main window owns (the signal history
// and channel occupancy views, typing the SSID filter, re-applying an edited filter). The window
// registers its implementation; without one the rows do nothing. Render thread only.

namespace nolvo {

class AnalystControl {
public:
    virtual ~AnalystControl() = default;
    virtual void toggleHistoryView() = 0;
    virtual void toggleOccupancyView() = 0;
    // Starts typing the SSID filter text (what `/` does).
    virtual void startSsidTyping() = 0;
    // The filter record changed: the overlay, tables and views show the new selection.
    virtual void filterChanged() = 0;

    static void set(AnalystControl* control);
    static AnalystControl* get();
};

} // namespace nolvo
