#pragma once
// Which display layers each mode shows, in creation order, and the one place that creates a
// layer for a slot. The main scene asks for the plan of the current mode and fills its slots from
// it; a layer kind that is not built yet yields null and its slot stays empty.

#include <cstdint>
#include <vector>

#include "engine/math/Geometry.h"

namespace engine {
class Node;
}

namespace nolvo {

// The main scene's display-layer slots, in declaration order.
enum class LayerSlot : int {
    Grid,
    Grid2,
    Overlay,
    Spare,
    SSID24,
    SSID5,
    Rssi24,
    Rssi5,
    Waterfall24,
    Waterfall5,
    WaterfallThreshold24,
    WaterfallThreshold5,
    Power,
    PowerUI,
    Cursors,
    ChannelGuide,
    Count,
};

// The four settings that choose the layer set.
struct DisplayMode {
    bool spectrumModeActive = true;
    int displayMode = 0; // 0 real wave, 1 waterfall, others show the grid only
    int band = 0;        // 0 2.4 GHz, 1 5 GHz
    bool ssidOverlay = false;
    bool operator==(const DisplayMode&) const = default;
};

// What the overlay layer is told after the others exist.
struct OverlaySetup {
    bool powerMode = false;
    int band = 0;
    bool waterfall = false;
};

struct LayerPlan {
    bool removeTables = false;   // power mode closes the access-point tables
    std::vector<LayerSlot> slots; // creation order; the grid first
    OverlaySetup overlay;
};

// The layer set of `mode`. Band-specific kinds come as the slot of the mode's band.
LayerPlan planLayers(const DisplayMode& mode);

// Rectangles the layers are made for: the grid covers the plot, the others its inner rectangle.
struct PlotGeometry {
    engine::Rect plot;
    engine::Rect inner;
};

// Creates the layer of `slot` (autoreleased), or null while that kind of layer does not exist.
// `overlay` is what the overlay layer is set to.
engine::Node* createLayer(LayerSlot slot, const PlotGeometry& geometry, const OverlaySetup& overlay);

} // namespace nolvo
