#include "app/LayerPlan.h"

namespace nolvo {

LayerPlan planLayers(const DisplayMode& mode)
{
    LayerPlan plan;
    const bool band5 = mode.band == 1;
    if (!mode.spectrumModeActive) {
        plan.removeTables = true;
        plan.slots = {LayerSlot::Grid, LayerSlot::Power, LayerSlot::Cursors, LayerSlot::PowerUI, LayerSlot::Overlay};
        plan.overlay = {true, mode.band, false};
        return plan;
    }
    plan.slots.push_back(LayerSlot::Grid);
    if (mode.displayMode == 0) {
        plan.slots.push_back(band5 ? LayerSlot::Rssi5 : LayerSlot::Rssi24);
        if (mode.ssidOverlay) plan.slots.push_back(band5 ? LayerSlot::SSID5 : LayerSlot::SSID24);
        plan.slots.insert(plan.slots.end(), {LayerSlot::Cursors, LayerSlot::ChannelGuide, LayerSlot::Overlay});
        plan.overlay = {false, mode.band, false};
    } else if (mode.displayMode == 1) {
        plan.slots.push_back(band5 ? LayerSlot::Waterfall5 : LayerSlot::Waterfall24);
        plan.slots.push_back(LayerSlot::Cursors);
        plan.slots.push_back(band5 ? LayerSlot::WaterfallThreshold5 : LayerSlot::WaterfallThreshold24);
        plan.slots.insert(plan.slots.end(), {LayerSlot::ChannelGuide, LayerSlot::Overlay});
        plan.overlay = {false, mode.band, true};
    }
    return plan;
}

engine::Node* createLayer(LayerSlot /*slot*/, const PlotGeometry& /*geometry*/, const OverlaySetup& /*overlay*/)
{
    // The grid, trace, waterfall, access-point, power, cursor, channel-guide and overlay layers
    // are added here as they are built; until then every slot stays empty.
    return nullptr;
}

} // namespace nolvo
