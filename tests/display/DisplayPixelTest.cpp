// The display layers drawn in a real window: traces, waterfall rows and the graticule land on
// the pixels their numbers say.

#include <gtest/gtest.h>

#include <vector>

#include "GuiTestFixture.h"
#include "display/GridLayer.h"
#include "display/RssiLayer.h"
#include "display/WaterfallLayer.h"
#include "engine/platform/FileUtils.h"
#include "engine/scene/Sprite.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

using engine::Color4B;

class DisplayPixelTest : public enginetest::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        engine::FileUtils::getInstance()->setSearchPaths({NOLVO_RES_DIR, "res", ""});
        model.cursors.shown = 0;
        model.spectrum.traceSelection[0] = 1; // raw
        model.spectrum.traceSelection[1] = 0;
        model.spectrum.traceSelection[2] = 0;
        const std::uint8_t yellow[3] = {255, 255, 0};
        std::copy(yellow, yellow + 3, model.spectrum.traceColors[kTraceRaw]);
        for (auto& count : model.spectrum.peakCounts) count = 0;
        model.common.displayStyle = 0;
    }

    // Places a layer at (100, 100), 400 x 200 points.
    template <typename L>
    L* place(L* layer)
    {
        layer->setContentSize(engine::Size(400, 200));
        layer->setPosition(100, 100);
        scene->addChild(layer);
        return layer;
    }

    void pushSweep(BandStore& store, const std::vector<float>& values)
    {
        store.history.push(values.data(), static_cast<int>(values.size()));
        store.binCount = static_cast<int>(values.size());
        store.newSweep = true;
        store.waterfallRedraw = true;
    }

    // Rows of column x (window pixels) whose colour is near `colour`.
    std::vector<int> rowsNear(int x, const Color4B& colour, int tolerance = 40) const
    {
        std::vector<int> rows;
        for (int y = 0; y < height; ++y) {
            if (enginetest::near(pixel(x, y), colour, tolerance)) rows.push_back(y);
        }
        return rows;
    }

    DataModel model;
};

TEST_F(DisplayPixelTest, RawTraceLandsOnTheRowsItsDbmValuesMapTo)
{
    BandStore& band = model.band24;
    band.amplitudeBottom = -100.0f; // 2 points per dB over 200 points
    band.amplitudeTop = 0.0f;
    std::vector<float> sweep(256, -50.0f); // y = 100
    for (int i = 192; i < 256; ++i) sweep[static_cast<std::size_t>(i)] = -80.0f; // y = 40
    pushSweep(band, sweep);
    RssiLayer* layer = place(RssiLayer::createWithModel(model));
    layer->setBands(true, false);
    layer->update(0.0f);
    render();

    const Color4B yellow(255, 255, 0, 255);
    const std::vector<int> left = rowsNear(150, yellow);
    ASSERT_FALSE(left.empty());
    EXPECT_GE(left.front(), 198);
    EXPECT_LE(left.back(), 202);
    const std::vector<int> right = rowsNear(480, yellow);
    ASSERT_FALSE(right.empty());
    EXPECT_GE(right.front(), 138);
    EXPECT_LE(right.back(), 142);
    // Clipped to the layer: nothing outside its rectangle.
    EXPECT_EQ(countNear(0, 0, 100, 640, yellow, 40), 0);
    EXPECT_EQ(countNear(501, 0, 960, 640, yellow, 40), 0);
    EXPECT_EQ(model.band24.derived.binCount, 256u);
    EXPECT_FALSE(model.band24.derived.changed);
}

TEST_F(DisplayPixelTest, CursorValuesAreWrittenForTheMainScene)
{
    BandStore& band = model.band24;
    band.amplitudeBottom = -100.0f;
    band.amplitudeTop = 0.0f;
    std::vector<float> sweep(256);
    for (int i = 0; i < 256; ++i) sweep[static_cast<std::size_t>(i)] = -100.0f + 0.25f * static_cast<float>(i);
    pushSweep(band, sweep);
    model.cursors.shown = 1;
    model.cursors.verticalSelected = 1;
    model.cursors.verticalX[0] = 200.0f; // p = 255 / 400 x 200 = 127.5
    model.cursors.verticalX[1] = 400.0f; // the last bin
    RssiLayer* layer = place(RssiLayer::createWithModel(model));
    layer->setBands(true, false);
    layer->update(0.0f);
    render();
    const CursorResults& r = model.cursorResults;
    EXPECT_EQ(r.binCount, 256u);
    EXPECT_EQ(r.cursor[0].bin, 127);
    EXPECT_FLOAT_EQ(r.cursor[0].values[kTraceRaw], -100.0f + 0.25f * 127.5f);
    EXPECT_FLOAT_EQ(r.cursor[0].screenY[kTraceRaw], (0.25f * 127.5f) * 2.0f);
    EXPECT_EQ(r.cursor[1].bin, 255);
    EXPECT_FLOAT_EQ(r.cursor[1].values[kTraceMaxHold], -100.0f + 0.25f * 255.0f);
}

TEST_F(DisplayPixelTest, PeakMarkersArePooledAndPinnedAtTheTopEdge)
{
    BandStore& band = model.band24;
    band.amplitudeBottom = -100.0f;
    band.amplitudeTop = 0.0f;
    std::vector<float> sweep(256, -90.0f);
    sweep[10] = -1.0f;  // near the top edge: pinned, hanging down
    sweep[100] = -50.0f; // in the middle: standing on its value
    pushSweep(band, sweep);
    model.spectrum.peakCounts[kTraceRaw] = 2;
    RssiLayer* layer = place(RssiLayer::createWithModel(model));
    layer->setBands(true, false);
    layer->update(0.0f);
    render();
    ASSERT_EQ(layer->markerPoolSize(), 2u);
    EXPECT_EQ(layer->marker(0)->getAnchorPoint(), engine::Vec2(0.5f, 1.0f));
    EXPECT_FLOAT_EQ(layer->marker(0)->getPositionY(), 200.0f);
    EXPECT_EQ(layer->marker(1)->getAnchorPoint(), engine::Vec2(0.5f, 0.0f));
    EXPECT_FLOAT_EQ(layer->marker(1)->getPositionY(), 100.0f);
    EXPECT_FLOAT_EQ(layer->marker(1)->getPositionX(), 100.0f * 400.0f / 255.0f);

    // Fewer peaks shown: the pool shrinks to what is used.
    model.spectrum.peakCounts[kTraceRaw] = 1;
    layer->forceRedraw();
    render();
    EXPECT_EQ(layer->markerPoolSize(), 1u);
}

TEST_F(DisplayPixelTest, ZeroSizedHeatGridHidesTheHeatMap)
{
    model.spectrum.traceSelection[1] = 6; // heat map
    BandStore& band = model.band24;
    band.grid.width = 4;
    band.grid.height = 4;
    band.grid.cells.assign(16, 3);
    band.grid.isNew = true;
    RssiLayer* layer = place(RssiLayer::createWithModel(model));
    layer->setBands(true, false);
    render(); // builds the mask with the heat-map bit
    layer->update(0.0f);
    EXPECT_EQ(layer->heatSprite()->getOpacity(), 255);
    EXPECT_TRUE(layer->heatSprite()->isVisible());
    EXPECT_TRUE(layer->heatShadeShown());
    EXPECT_NE(layer->heatSprite()->getParent(), nullptr);
    model.deviceInfo.modelId = 2; // first generation: no shade
    layer->update(0.0f);
    EXPECT_EQ(layer->heatSprite()->getOpacity(), 255);
    EXPECT_FALSE(layer->heatShadeShown());

    band.grid.width = 0;
    band.grid.height = 0;
    band.grid.isNew = true;
    layer->update(0.0f);
    EXPECT_EQ(layer->heatSprite()->getOpacity(), 0);
    EXPECT_FALSE(layer->heatSprite()->isVisible());
}

TEST_F(DisplayPixelTest, HeatMapDrawsItsShadeOverItsColoursInOnePass)
{
    model.spectrum.traceSelection[0] = 6; // heat map alone
    model.spectrum.heatMapColorMap = 0;    // RAINBOW: its last entry is pure red
    BandStore& band = model.band24;
    band.grid.width = 4;
    band.grid.height = 4;
    band.grid.cells.assign(16, 25); // every cell saturated
    band.grid.isNew = true;
    RssiLayer* layer = place(RssiLayer::createWithModel(model));
    layer->setBands(true, false);
    render(); // builds the mask with the heat-map bit
    layer->update(0.0f);
    render();
    // The centre of cell (1, 1): the grid's column and row centres span the 400 x 200 layer.
    const int x = 100 + 400 / 3;
    const int y = 100 + 200 / 3;
    // A saturated shade (alpha 255) hides the colours under it: pure red.
    EXPECT_TRUE(enginetest::near(pixel(x, y), Color4B(255, 0, 0, 255), 2)) << testing::PrintToString(pixel(x, y));
    // Without the shade (first generation) the colours show alone at alpha 0x55 over black.
    model.deviceInfo.modelId = 2;
    layer->update(0.0f);
    render();
    EXPECT_TRUE(enginetest::near(pixel(x, y), Color4B(85, 0, 0, 255), 2)) << testing::PrintToString(pixel(x, y));
}

TEST_F(DisplayPixelTest, WaterfallNewestRowIsAtTheTop)
{
    model.spectrum.waterfallLowThreshold = -90.0f;
    model.spectrum.waterfallHighThreshold = -40.0f;
    model.spectrum.waterfallColorMap = 0;
    model.spectrum.waterfallTimeScale = 2; // 100 rows fill the height: 2 points a row
    BandStore& band = model.band24;
    for (int i = 0; i < 9; ++i) pushSweep(band, std::vector<float>(256, -100.0f)); // below low: transparent
    pushSweep(band, std::vector<float>(256, -30.0f));                              // above high: red
    WaterfallLayer* layer = place(WaterfallLayer::createWithModel(model));
    layer->setBands(true, false);
    layer->update(0.0f);
    layer->update(0.0f); // placement follows the rebuilt texture
    render();

    EXPECT_EQ(layer->imageTexture()->getMaxT(), 10.0f / 512.0f);
    const Color4B top = pixel(300, 298); // the middle of the top row (2 points high)
    EXPECT_GT(top.r, 240) << "newest row at the top edge, not blurred into its neighbours";
    EXPECT_LT(top.g, 60);
    const Color4B below = pixel(300, 290);
    EXPECT_LT(below.r, 30) << "older rows are below the threshold";
    EXPECT_EQ(countNear(0, 301, 960, 640, Color4B(255, 0, 0, 255), 60), 0);
}

TEST_F(DisplayPixelTest, WaterfallWithFewSweepsGrowsDownward)
{
    model.spectrum.waterfallLowThreshold = -90.0f;
    model.spectrum.waterfallHighThreshold = -40.0f;
    model.spectrum.waterfallTimeScale = 2;
    BandStore& band = model.band24;
    for (int i = 0; i < 20; ++i) pushSweep(band, std::vector<float>(256, -30.0f));
    WaterfallLayer* layer = place(WaterfallLayer::createWithModel(model));
    layer->setBands(true, false);
    layer->update(0.0f);
    layer->update(0.0f);
    render();
    // 20 rows x 2 points from the top edge (y 300) down to y 260; nothing below.
    EXPECT_GT(pixel(300, 270).r, 150);
    EXPECT_LT(pixel(300, 250).r, 30);
    EXPECT_LT(pixel(300, 110).r, 30);
}

TEST_F(DisplayPixelTest, GraticuleWithEverySwitchOffLeavesOnlyTheOutline)
{
    GridLayer* grid = place(GridLayer::create());
    grid->applyMask(0);
    render();
    const engine::Rect ink = inkBox();
    EXPECT_NEAR(ink.origin.x, 101, 1.5);
    EXPECT_NEAR(ink.origin.y, 101, 1.5);
    EXPECT_NEAR(ink.origin.x + ink.size.width, 499, 1.5);
    EXPECT_NEAR(ink.origin.y + ink.size.height, 299, 1.5);
    // The inside is empty: no grid, tics or centre line.
    EXPECT_EQ(countNear(106, 106, 494, 294, Color4B(0, 0, 0, 255), 2), 388 * 188);

    grid->applyMask(kGraticuleCrosshairs);
    render();
    EXPECT_TRUE(enginetest::near(pixel(300, 200), Color4B(127, 127, 127, 255), 10));
}

} // namespace
} // namespace nolvo

namespace nolvo {
namespace {

TEST_F(DisplayPixelTest, WaterfallCursorPeaksAlongTheNewestRowAndABinColumn)
{
    model.spectrum.waterfallLowThreshold = -90.0f;
    model.spectrum.waterfallHighThreshold = -40.0f;
    model.spectrum.waterfallTimeScale = 0;
    model.spectrum.peaksHorizontal = 2;
    model.spectrum.peaksVertical = 1;
    model.cursors.shown = 1;
    model.cursors.horizontalY[0] = 200.0f; // the top edge: the newest row
    model.cursors.horizontalY[1] = -50.0f; // outside: no row
    model.cursors.verticalX[0] = 0.0f;     // bin 0
    model.cursors.verticalX[1] = 1000.0f;  // beyond the bins
    BandStore& band = model.band24;
    std::vector<float> older(256, -100.0f);
    older[0] = -50.0f;
    std::vector<float> newest(256, -100.0f);
    newest[64] = -45.0f;
    newest[128] = -60.0f;
    pushSweep(band, older);
    pushSweep(band, newest);
    WaterfallLayer* layer = place(WaterfallLayer::createWithModel(model));
    layer->setBands(true, false);
    layer->update(0.0f);

    const auto& lists = model.cursorResults.waterfallPeaks;
    EXPECT_EQ(lists[0][0].bin, 64);
    EXPECT_EQ(lists[0][1].bin, 128);
    EXPECT_EQ(lists[0][2].bin, -1); // the rest is below the low threshold
    EXPECT_EQ(lists[1][0].bin, 1);  // bin 0 peaks one row back from the newest
    EXPECT_EQ(lists[1][0].value, -50.0f);
    EXPECT_EQ(lists[2][0].bin, -1);
    EXPECT_EQ(lists[3][0].bin, -1);
    ASSERT_EQ(layer->markerPoolSize(), 3u);
    EXPECT_FLOAT_EQ(layer->marker(0)->getPositionX(), 64.5f * 400.0f / 256.0f);
    EXPECT_FLOAT_EQ(layer->marker(0)->getPositionY(), 200.0f);
    EXPECT_FLOAT_EQ(layer->marker(2)->getPositionX(), 0.0f);
    EXPECT_FLOAT_EQ(layer->marker(2)->getPositionY(), 200.0f + 200.0f / (1.0f - 500.0f));
}

} // namespace
} // namespace nolvo
