// The power trace layer in a real window: trace geometry, dots, persistence, roll mode, channel
// offset, the reference rebuilt at the current width, the stopped-capture stretch and the
// power-mode cursor results.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "GuiTestFixture.h"
#include "display/PowerLayer.h"
#include "engine/platform/FileUtils.h"
#include "model/DataModel.h"
#include "model/PowerSpline.h"

namespace nolvo {
namespace {

using engine::Color4B;

class PowerLayerTest : public enginetest::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        engine::FileUtils::getInstance()->setSearchPaths({NOLVO_RES_DIR, "res", ""});
        model.powerStore.amplitudeBottom = -40.0f; // 5 points per dB over 200 points
        model.powerStore.amplitudeTop = 0.0f;
        model.powerStore.timePerDivision = {1.0f, 0.4f, 0.2f, 0.1f, 0.04f, 0.02f, 0.01f, 0.004f, 0.002f, 0.001f};
        model.power.timeScaleIndex = 9;
        model.deviceInfo.rollThreshold = 4;
        model.powerChannel.color[0] = 255;
        model.powerChannel.color[1] = 255;
        model.powerChannel.color[2] = 0;
        model.powerChannel.optionWord = 0;
        model.common.displayStyle = 0;
        model.referenceChannel.shown = 0;
        model.cursors.shown = 0;
        layer = PowerLayer::createWithModel(model);
        ASSERT_NE(layer, nullptr);
        layer->setContentSize(engine::Size(400, 200));
        layer->setPosition(100, 100);
        scene->addChild(layer);
    }
    void addTrace(const std::vector<float>& samples)
    {
        model.powerStore.live.history.push_back(samples);
        model.powerStore.newData = true;
    }
    // Rows of window column x near `colour`.
    std::vector<int> rowsNear(int x, const Color4B& colour, int tolerance = 60) const
    {
        std::vector<int> rows;
        for (int y = 0; y < height; ++y) {
            if (enginetest::near(pixel(x, y), colour, tolerance)) rows.push_back(y);
        }
        return rows;
    }

    // The reddest pixel of column x within two rows of y.
    int brightestRed(int x, int y) const
    {
        int best = 0;
        for (int row = y - 2; row <= y + 2; ++row) best = std::max(best, static_cast<int>(pixel(x, row).r));
        return best;
    }

    DataModel model;
    PowerLayer* layer = nullptr;
    const Color4B yellow{255, 255, 0, 255};
};

TEST_F(PowerLayerTest, FiveSampleTraceLandsWhereItsSamplesSay)
{
    const std::vector<float> samples{-30.0f, -30.0f, -10.0f, -10.0f, -10.0f};
    addTrace(samples);
    layer->update(0.016f);
    render();
    ASSERT_EQ(layer->traceBatches().size(), 1u);
    const std::vector<float>& v = layer->traceVertices();
    ASSERT_EQ(v.size(), 2u * 17u); // 4 points per segment and the last one
    // Every fourth point is a sample: x = i x 100, y = its dBm.
    for (std::size_t i = 0; i < samples.size(); ++i) {
        EXPECT_FLOAT_EQ(v[8 * i], 100.0f * static_cast<float>(i)) << i;
        EXPECT_FLOAT_EQ(v[8 * i + 1], samples[i]) << i;
    }
    // On screen: -30 dBm is 50 points up, -10 dBm 150 points up (layer at y = 100).
    const std::vector<int> left = rowsNear(130, yellow);
    ASSERT_FALSE(left.empty());
    EXPECT_GE(left.front(), 148);
    EXPECT_LE(left.back(), 152);
    const std::vector<int> right = rowsNear(460, yellow);
    ASSERT_FALSE(right.empty());
    EXPECT_GE(right.front(), 248);
    EXPECT_LE(right.back(), 252);
    EXPECT_EQ(countNear(0, 0, 99, 640, yellow, 60), 0); // clipped to the layer
}

TEST_F(PowerLayerTest, DotsDrawOnlyThePolylinePoints)
{
    model.common.displayStyle = 1;
    addTrace({-20.0f, -20.0f, -20.0f, -20.0f, -20.0f}); // y = 100 layer, 200 window
    layer->update(0.016f);
    render();
    EXPECT_TRUE(layer->drawsDots());
    // Points every 25 points from x = 100; nothing half-way between two of them.
    EXPECT_GT(countNear(123, 197, 128, 204, yellow, 60), 0);
    EXPECT_GT(countNear(223, 197, 228, 204, yellow, 60), 0);
    EXPECT_EQ(countNear(135, 190, 140, 210, yellow, 60), 0);
    model.common.displayStyle = 0;
    render();
    EXPECT_GT(countNear(135, 197, 140, 204, yellow, 60), 0);
}

TEST_F(PowerLayerTest, PersistenceFadesTheOlderTraceThenDropsIt)
{
    model.power.persistence = 1.0f;
    addTrace({-30.0f, -30.0f});
    addTrace({-10.0f, -10.0f});
    layer->update(0.25f);
    render();
    ASSERT_EQ(layer->traceBatches().size(), 2u);
    EXPECT_FLOAT_EQ(layer->traceBatches()[0].rgba[3], 1.0f);
    layer->update(0.25f);
    render();
    ASSERT_EQ(layer->traceBatches().size(), 2u);
    EXPECT_FLOAT_EQ(layer->traceBatches()[0].rgba[3], 0.75f);
    // The faded trace is dimmer on screen than the newest.
    const int older = brightestRed(300, 150);
    const int newer = brightestRed(300, 250);
    EXPECT_LT(older, newer);
    EXPECT_GT(older, 0);
    for (int i = 0; i < 3; ++i) {
        layer->update(0.25f);
        render();
    }
    EXPECT_EQ(model.powerStore.live.history.size(), 1u);
    EXPECT_EQ(model.powerStore.live.processedHistory.size(), 1u);
    render();
    EXPECT_EQ(layer->traceBatches().size(), 1u);
    EXPECT_EQ(countNear(290, 140, 310, 160, yellow, 200), 0);
}

TEST_F(PowerLayerTest, UnusablePersistenceStillFades)
{
    for (float stored : {0.0f, -3.0f, NAN}) {
        model.power.persistence = stored;
        model.powerStore.live.clear();
        addTrace({-30.0f, -30.0f});
        addTrace({-10.0f, -10.0f});
        layer->update(1.0f);
        render();
        render(); // 2 s at 1 s per frame
        layer->update(1.0f);
        render();
        EXPECT_EQ(model.powerStore.live.history.size(), 1u) << stored;
    }
}

TEST_F(PowerLayerTest, RollModeDrawsTheNewestSamplesEndingAtTheRightEdge)
{
    model.power.timeScaleIndex = 2; // below the roll threshold 4
    model.powerStore.samplesPerScreen = 5;
    model.powerStore.live.rollingHistory = {-35.0f, -30.0f, -20.0f, -20.0f, -20.0f, -20.0f, -10.0f};
    layer->update(0.016f);
    render();
    ASSERT_EQ(layer->traceBatches().size(), 1u);
    const std::vector<float> expected{0, -20, 100, -20, 200, -20, 300, -20, 400, -10};
    EXPECT_EQ(layer->traceVertices(), expected);
    const std::vector<int> atEnd = rowsNear(499, yellow);
    ASSERT_FALSE(atEnd.empty());
    EXPECT_GE(atEnd.back(), 247);
    // One sample per screen would divide by zero: nothing is drawn.
    model.powerStore.samplesPerScreen = 1;
    render();
    EXPECT_TRUE(layer->traceBatches().empty());
}

TEST_F(PowerLayerTest, ChannelOffsetShiftsTheTrace)
{
    model.powerChannel.optionWord = 20;
    addTrace({-30.0f, -30.0f, -30.0f});
    layer->update(0.016f);
    render();
    const std::vector<int> rows = rowsNear(300, yellow);
    ASSERT_FALSE(rows.empty());
    EXPECT_GE(rows.front(), 168);
    EXPECT_LE(rows.back(), 172);
}

TEST_F(PowerLayerTest, ReferenceIsRebuiltFromItsSamplesAtTheCurrentWidth)
{
    model.referenceHistory.history = {{-20.0f, -20.0f, -20.0f}};
    model.referenceHistory.processedHistory = {{0.0f, -20.0f, 9999.0f, -20.0f}}; // stale pixels
    model.referenceHistory.isValid = true;
    model.referenceHistory.timeScaleIndex = 9;
    model.referenceChannel.shown = 1;
    model.referenceChannel.color[0] = 0;
    model.referenceChannel.color[1] = 255;
    model.referenceChannel.color[2] = 255;
    layer->update(0.016f);
    render();
    ASSERT_EQ(layer->referenceBatches().size(), 1u);
    EXPECT_FLOAT_EQ(layer->referenceVertices()[layer->referenceVertices().size() - 2], 400.0f);
    EXPECT_GT(countNear(300, 195, 310, 205, Color4B(0, 255, 255, 255), 60), 0);
    layer->setContentSize(engine::Size(200, 200));
    render();
    EXPECT_FLOAT_EQ(layer->referenceVertices()[layer->referenceVertices().size() - 2], 200.0f);
    model.referenceChannel.shown = 0;
    render();
    EXPECT_TRUE(layer->referenceBatches().empty());
}

TEST_F(PowerLayerTest, StoppedCaptureStretchesWhenTheTimeScaleChanges)
{
    addTrace({-30.0f, -30.0f, -30.0f});
    model.runState.store(kStopped);
    layer->update(0.016f);
    EXPECT_TRUE(model.powerStore.stoppedCapture.remembered);
    render();
    EXPECT_EQ(layer->xTransform(), XTransform{});
    model.power.timeScaleIndex = 8; // 1 ms -> 2 ms per division: half as wide
    render();
    EXPECT_FLOAT_EQ(layer->xTransform().scale, 0.5f);
    EXPECT_FLOAT_EQ(layer->xTransform().offset, 100.0f);
    // Running again forgets the capture.
    model.runState.store(kRunning);
    layer->update(0.016f);
    render();
    EXPECT_FALSE(model.powerStore.stoppedCapture.remembered);
    EXPECT_EQ(layer->xTransform(), XTransform{});
}

TEST_F(PowerLayerTest, CursorResultsReadTheNewestTrace)
{
    model.cursors.shown = 1;
    model.cursors.verticalSelected = 1;
    model.cursors.verticalX[0] = 100.0f;
    model.cursors.verticalX[1] = 300.0f;
    addTrace({-30.0f, -30.0f, -10.0f, -10.0f, -10.0f});
    layer->update(0.016f);
    render();
    const CursorResults& r = model.cursorResults;
    EXPECT_FLOAT_EQ(r.cursor[0].values[kTraceRaw], -30.0f);
    EXPECT_FLOAT_EQ(r.cursor[0].screenY[kTraceRaw], 50.0f);
    EXPECT_FLOAT_EQ(r.cursor[1].values[kTraceRaw], -10.0f);
    EXPECT_EQ(r.binCount, 17u);
    // Between the cursors: 1 ms per 40 points... the energy is positive and finite.
    EXPECT_GT(model.powerStore.cursorEnergy, 0.0f);
}

} // namespace
} // namespace nolvo
