#include <gtest/gtest.h>

#include <vector>

#include "app/LayerPlan.h"

namespace nolvo {
namespace {

using S = LayerSlot;

TEST(LayerPlanTest, EveryModeGetsItsLayersInOrder)
{
    const struct {
        DisplayMode mode;
        std::vector<LayerSlot> slots;
        bool removeTables;
        OverlaySetup overlay;
    } cases[] = {
        {{false, 0, 0, false}, {S::Grid, S::Power, S::Cursors, S::PowerUI, S::Overlay}, true, {true, 0, false}},
        {{false, 1, 1, true}, {S::Grid, S::Power, S::Cursors, S::PowerUI, S::Overlay}, true, {true, 1, false}},
        {{true, 0, 0, false}, {S::Grid, S::Rssi24, S::Cursors, S::ChannelGuide, S::Overlay}, false, {false, 0, false}},
        {{true, 0, 0, true}, {S::Grid, S::Rssi24, S::SSID24, S::Cursors, S::ChannelGuide, S::Overlay}, false, {false, 0, false}},
        {{true, 0, 1, true}, {S::Grid, S::Rssi5, S::SSID5, S::Cursors, S::ChannelGuide, S::Overlay}, false, {false, 1, false}},
        {{true, 1, 0, false}, {S::Grid, S::Waterfall24, S::Cursors, S::WaterfallThreshold24, S::ChannelGuide, S::Overlay}, false, {false, 0, true}},
        // The access-point overlay belongs to the real-wave view only.
        {{true, 1, 1, true}, {S::Grid, S::Waterfall5, S::Cursors, S::WaterfallThreshold5, S::ChannelGuide, S::Overlay}, false, {false, 1, true}},
        {{true, 2, 0, false}, {S::Grid}, false, {false, 0, false}},
    };
    for (const auto& c : cases) {
        const LayerPlan plan = planLayers(c.mode);
        SCOPED_TRACE(::testing::Message() << "spectrum " << c.mode.spectrumModeActive << " display " << c.mode.displayMode
                                          << " band " << c.mode.band << " overlay " << c.mode.ssidOverlay);
        EXPECT_EQ(plan.slots, c.slots);
        EXPECT_EQ(plan.removeTables, c.removeTables);
        EXPECT_EQ(plan.overlay.powerMode, c.overlay.powerMode);
        EXPECT_EQ(plan.overlay.band, c.overlay.band);
        EXPECT_EQ(plan.overlay.waterfall, c.overlay.waterfall);
    }
}

} // namespace
} // namespace nolvo
