#include "app/LayerPlan.h"

#include "display/ChannelGuideLayer.h"
#include "display/CursorsLayer.h"
#include "display/GridLayer.h"
#include "display/OverlayLayer.h"
#include "display/PowerLayer.h"
#include "display/PowerUIAndTouchLayer.h"
#include "display/RssiLayer.h"
#include "display/SSIDLayer.h"
#include "display/WaterfallLayer.h"
#include "display/WaterfallThresholdAndTouchLayer.h"
#include "model/DataModel.h"

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

namespace {

template <typename L>
L* placed(L* layer, const engine::Rect& rect)
{
    if (!layer) return nullptr;
    layer->setContentSize(rect.size);
    layer->setPosition(rect.origin);
    return layer;
}

// A band-specific layer, told which band it serves.
template <typename L>
L* forBand(L* layer, const engine::Rect& rect, bool band5)
{
    if (!placed(layer, rect)) return nullptr;
    layer->setBands(!band5, band5);
    return layer;
}

} // namespace

engine::Node* createLayer(LayerSlot slot, const PlotGeometry& geometry, const OverlaySetup& overlay)
{
    switch (slot) {
    case LayerSlot::Grid: {
        GridLayer* grid = placed(GridLayer::create(), geometry.plot);
        if (grid) {
            grid->applyMask(DataModel::getInstance()->graticuleMask);
            grid->rebuild(); // drawn at once for the new rectangle
        }
        return grid;
    }
    case LayerSlot::Rssi24: return forBand(RssiLayer::create(), geometry.inner, false);
    case LayerSlot::Rssi5: return forBand(RssiLayer::create(), geometry.inner, true);
    case LayerSlot::Waterfall24: return forBand(WaterfallLayer::create(), geometry.inner, false);
    case LayerSlot::Waterfall5: return forBand(WaterfallLayer::create(), geometry.inner, true);
    case LayerSlot::WaterfallThreshold24: return forBand(WaterfallThresholdAndTouchLayer::create(), geometry.inner, false);
    case LayerSlot::WaterfallThreshold5: return forBand(WaterfallThresholdAndTouchLayer::create(), geometry.inner, true);
    case LayerSlot::SSID24: return forBand(SSIDLayer::create(), geometry.inner, false);
    case LayerSlot::SSID5: return forBand(SSIDLayer::create(), geometry.inner, true);
    case LayerSlot::Cursors: return placed(CursorsLayer::create(), geometry.inner);
    case LayerSlot::Power: return placed(PowerLayer::create(), geometry.inner);
    case LayerSlot::PowerUI: return placed(PowerUIAndTouchLayer::create(), geometry.inner);
    case LayerSlot::ChannelGuide: return placed(ChannelGuideLayer::create(), geometry.inner);
    case LayerSlot::Overlay: {
        OverlayLayer* layer = placed(OverlayLayer::create(), geometry.inner);
        if (layer) layer->setMode(overlay.powerMode, overlay.band, overlay.waterfall);
        return layer;
    }
    default:
        // Slots without a layer kind of their own (the second grid, the spare) stay empty.
        return nullptr;
    }
}

} // namespace nolvo
