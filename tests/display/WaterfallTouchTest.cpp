// Threshold dragging, pinch and wheel time scaling on the waterfall's touch layer.

#include <gtest/gtest.h>

#include "GuiTestFixture.h"
#include "display/ScalingPopoverLayer.h"
#include "display/WaterfallThresholdAndTouchLayer.h"
#include "engine/input/Touch.h"
#include "engine/platform/FileUtils.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "engine/renderer/Texture2D.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

using Layer = WaterfallThresholdAndTouchLayer;

class WaterfallTouchTest : public enginetest::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        engine::FileUtils::getInstance()->setSearchPaths({NOLVO_RES_DIR, "res", ""});
        model.band24.amplitudeBottom = -100.0f; // 2 points per dB over 200 points
        model.band24.amplitudeTop = 0.0f;
        model.spectrum.waterfallLowThreshold = -80.0f;  // layer y 40, world y 140
        model.spectrum.waterfallHighThreshold = -40.0f; // layer y 120, world y 220
        model.spectrum.waterfallTimeScale = 0;
        layer = Layer::createWithModel(model);
        ASSERT_NE(layer, nullptr);
        layer->setContentSize(engine::Size(400, 200));
        layer->setPosition(100, 100);
        layer->setBands(true, false);
        scene->addChild(layer);
        render();
        layer->update(0.0f); // places the handles
    }
    void TearDown() override
    {
        for (engine::Touch* t : touches) t->release();
        GuiTest::TearDown();
    }

    // A touch at a world point (the window is 640 points high).
    engine::Touch* touchAt(float x, float y)
    {
        auto* t = new engine::Touch();
        t->setTouchInfo(static_cast<int>(touches.size()), x, 640.0f - y, 640.0f);
        touches.push_back(t);
        return t;
    }
    static void moveTo(engine::Touch* t, float x, float y) { t->moveTo(x, 640.0f - y); }

    DataModel model;
    Layer* layer = nullptr;
    std::vector<engine::Touch*> touches;
};

TEST_F(WaterfallTouchTest, DraggingHighBelowLowPullsLowAlong)
{
    model.band24.waterfallRedraw = false;
    engine::Touch* t = touchAt(500, 220);
    ASSERT_TRUE(layer->onTouchBegan(t));
    EXPECT_EQ(layer->touchState(), Layer::TouchState::DragHigh);
    EXPECT_TRUE(model.waterfallTouchInProgress.load());
    moveTo(t, 500, 120); // 100 points = 50 dB down
    layer->onTouchMoved(t);
    EXPECT_FLOAT_EQ(model.spectrum.waterfallHighThreshold, -90.0f);
    EXPECT_FLOAT_EQ(model.spectrum.waterfallLowThreshold, -90.0f);
    EXPECT_TRUE(model.band24.waterfallRedraw);
    EXPECT_TRUE(model.band5.waterfallRedraw);
    layer->update(0.1f);
    EXPECT_EQ(layer->labelFade(), 1.0f);
    EXPECT_TRUE(layer->highLabel()->isVisible());
    EXPECT_EQ(layer->highLabel()->getString(), "-90.00dBm");
    layer->onTouchEnded(t);
    EXPECT_EQ(layer->touchState(), Layer::TouchState::None);
    EXPECT_FALSE(model.waterfallTouchInProgress.load());
    // The labels fade out over one second once the drag ends.
    layer->update(0.6f);
    EXPECT_NEAR(layer->labelFade(), 0.4f, 1e-5f);
    layer->update(0.6f);
    EXPECT_FALSE(layer->highLabel()->isVisible());
}

TEST_F(WaterfallTouchTest, DraggingLowAboveHighPushesHighAlong)
{
    engine::Touch* t = touchAt(500, 140);
    ASSERT_TRUE(layer->onTouchBegan(t));
    EXPECT_EQ(layer->touchState(), Layer::TouchState::DragLow);
    moveTo(t, 500, 240); // 50 dB up
    layer->onTouchMoved(t);
    EXPECT_FLOAT_EQ(model.spectrum.waterfallLowThreshold, -30.0f);
    EXPECT_FLOAT_EQ(model.spectrum.waterfallHighThreshold, -30.0f);
}

TEST_F(WaterfallTouchTest, TouchesOutsideOrAwayFromTheHandles)
{
    EXPECT_FALSE(layer->onTouchBegan(touchAt(50, 50))); // outside the layer: not claimed
    engine::Touch* t = touchAt(300, 200);
    EXPECT_TRUE(layer->onTouchBegan(t));
    EXPECT_EQ(layer->touchState(), Layer::TouchState::None);
    EXPECT_FALSE(model.waterfallTouchInProgress.load());
    moveTo(t, 300, 150);
    layer->onTouchMoved(t);
    EXPECT_FLOAT_EQ(model.spectrum.waterfallLowThreshold, -80.0f);
    EXPECT_FLOAT_EQ(model.spectrum.waterfallHighThreshold, -40.0f);
}

TEST_F(WaterfallTouchTest, EmptyAmplitudeWindowMakesDragsDoNothing)
{
    model.band24.amplitudeTop = model.band24.amplitudeBottom;
    engine::Touch* t = touchAt(500, 100);
    layer->onTouchBegan(t);
    moveTo(t, 500, 180);
    layer->onTouchMoved(t);
    EXPECT_FLOAT_EQ(model.spectrum.waterfallLowThreshold, -80.0f);
    EXPECT_FLOAT_EQ(model.spectrum.waterfallHighThreshold, -40.0f);
}

TEST_F(WaterfallTouchTest, PinchStepsTheTimeScaleWithinItsLimits)
{
    ScalingPopoverLayer* popover = ScalingPopoverLayer::createWithModel(model);
    scene->addChild(popover);
    engine::Touch* a = touchAt(300, 150);
    engine::Touch* b = touchAt(300, 250);
    layer->onTouchBegan(a);
    layer->onTouchBegan(b);
    EXPECT_EQ(layer->touchState(), Layer::TouchState::Pinch);

    // Spreading the fingers by 60 points each: 120 points of travel, one step up.
    moveTo(a, 300, 90);
    layer->onTouchMoved(a);
    EXPECT_EQ(model.spectrum.waterfallTimeScale, 0); // 60 points are not a step yet
    moveTo(b, 300, 310);
    layer->onTouchMoved(b);
    EXPECT_EQ(model.spectrum.waterfallTimeScale, 1);
    EXPECT_TRUE(popover->isPinchActive());
    EXPECT_EQ(popover->verticalStepCount(), 3);
    EXPECT_EQ(popover->currentVerticalStep(), 1);
    EXPECT_EQ(popover->previousVerticalStep(), 0);

    model.spectrum.waterfallTimeScale = 2;
    moveTo(a, 300, -20); // spreading by 110 points: a whole step
    layer->onTouchMoved(a);
    EXPECT_EQ(model.spectrum.waterfallTimeScale, 2); // already fully spread

    model.spectrum.waterfallTimeScale = 0;
    moveTo(b, 300, 150); // closing by 160 points
    layer->onTouchMoved(b);
    EXPECT_EQ(model.spectrum.waterfallTimeScale, 0); // already fully pinched

    layer->onTouchEnded(a);
    EXPECT_FALSE(popover->isPinchActive());
    layer->onTouchEnded(b);
    EXPECT_EQ(layer->touchState(), Layer::TouchState::None);
}

TEST_F(WaterfallTouchTest, WheelStepsLikeAPinch)
{
    const engine::Vec2 inside(300, 200);
    layer->onWheel(1.0f, inside);
    EXPECT_EQ(model.spectrum.waterfallTimeScale, 1);
    layer->onWheel(1.0f, inside);
    layer->onWheel(1.0f, inside);
    EXPECT_EQ(model.spectrum.waterfallTimeScale, 2);
    layer->onWheel(-1.0f, inside);
    EXPECT_EQ(model.spectrum.waterfallTimeScale, 1);
    layer->onWheel(-1.0f, engine::Vec2(50, 50)); // not over the waterfall
    EXPECT_EQ(model.spectrum.waterfallTimeScale, 1);
    model.spectrum.waterfallTimeScale = 7; // a damaged stored value reads as index 0
    layer->onWheel(-1.0f, inside);
    EXPECT_EQ(model.spectrum.waterfallTimeScale, 0);
}

TEST_F(WaterfallTouchTest, ThresholdsOutsideTheWindowShowHalfHandlesAtTheEdges)
{
    model.spectrum.waterfallHighThreshold = 20.0f;  // above the top
    model.spectrum.waterfallLowThreshold = -120.0f; // below the bottom
    layer->update(0.0f);
    const engine::Sprite* high = layer->highHandle();
    const engine::Sprite* low = layer->lowHandle();
    const float full = high->getTexture()->getContentSize().height;
    EXPECT_EQ(high->getAnchorPoint(), engine::Vec2(0.5f, 1.0f));
    EXPECT_FLOAT_EQ(high->getPositionY(), 200.0f);
    EXPECT_FLOAT_EQ(high->getTextureRect().size.height, full * 0.5f);
    EXPECT_EQ(low->getAnchorPoint(), engine::Vec2(0.5f, 0.0f));
    EXPECT_FLOAT_EQ(low->getPositionY(), 0.0f);
    EXPECT_FLOAT_EQ(low->getTextureRect().origin.y, 0.0f);

    model.spectrum.waterfallHighThreshold = -50.0f;
    layer->update(0.0f);
    EXPECT_EQ(high->getAnchorPoint(), engine::Vec2(0.5f, 0.5f));
    EXPECT_FLOAT_EQ(high->getPositionY(), 100.0f);
    EXPECT_FLOAT_EQ(high->getTextureRect().size.height, full);
}

TEST(ScalingPopoverSteps, BoxQuartersMarkCurrentPassedAndPrevious)
{
    // Stepping from 0 to 3: 1 and 2 were passed, 0 is the previous, 4 and 5 plain.
    const int expected[] = {1, 2, 2, 2, 0, 0};
    for (int step = 0; step < 6; ++step) EXPECT_EQ(ScalingPopoverLayer::boxQuarter(step, 3, 0), expected[step]) << step;
    EXPECT_EQ(ScalingPopoverLayer::boxQuarter(2, 2, 2), 2); // no move: current wins
}

} // namespace
} // namespace nolvo
