// The power view's overlay: handle positions, level and delay drags, pinch and wheel steps of
// the time and amplitude scales, the panel and the reference label.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "GuiTestFixture.h"
#include "display/PowerUIAndTouchLayer.h"
#include "display/ScalingPopoverLayer.h"
#include "engine/input/Touch.h"
#include "engine/platform/FileUtils.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

using Layer = PowerUIAndTouchLayer;
using Mode = PowerUIAndTouchLayer::DragMode;

class PowerUITouchTest : public enginetest::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        engine::FileUtils::getInstance()->setSearchPaths({NOLVO_RES_DIR, "res", ""});
        model.powerStore.amplitudeBottom = -40.0f; // 5 points per dB over 200 points
        model.powerStore.amplitudeTop = 0.0f;
        model.powerStore.timePerDivision = {1.0f, 0.1f, 0.01f, 0.001f};
        model.powerStore.amplitudePerDivision = {1.0f};
        model.power.timeScaleIndex = 3; // 10 ms across 400 points: 25 µs per point
        model.power.amplitudeScaleIndex = 0;
        model.power.triggerLevel = -30.0f; // layer y 50
        model.power.triggerDelay = 0.0f;   // layer x 200
        model.power.triggerType = 1;
        model.powerChannel.optionWord = 0;
        model.deviceInfo.hasPower = true;
        layer = Layer::createWithModel(model);
        ASSERT_NE(layer, nullptr);
        layer->setContentSize(engine::Size(400, 200));
        layer->setPosition(100, 100);
        scene->addChild(layer);
        Layer::setReconfigureRequest([this] { ++reconfigures; });
        render();
        layer->update(0.0f);
    }
    void TearDown() override
    {
        Layer::setReconfigureRequest(nullptr);
        for (engine::Touch* t : touches) t->release();
        GuiTest::TearDown();
    }
    engine::Touch* touchAt(float x, float y)
    {
        auto* t = new engine::Touch();
        t->setTouchInfo(static_cast<int>(touches.size()), x, 640.0f - y, 640.0f);
        touches.push_back(t);
        return t;
    }
    static void moveTo(engine::Touch* t, float x, float y) { t->moveTo(x, 640.0f - y); }
    // World centre of a sprite.
    static engine::Vec2 centreOf(engine::Sprite* s)
    {
        const engine::Rect box = s->getBoundingBox();
        return engine::Vec2(100 + box.getMidX(), 100 + box.getMidY());
    }
    void connectPowerHardware(bool on) { model.accessoryConnected.store(on); }

    DataModel model;
    Layer* layer = nullptr;
    std::vector<engine::Touch*> touches;
    int reconfigures = 0;
};

TEST_F(PowerUITouchTest, HandlesSitWhereLevelAndDelaySay)
{
    EXPECT_FLOAT_EQ(layer->levelY(), 50.0f);
    EXPECT_FLOAT_EQ(layer->levelHandle()->getBoundingBox().getMidY(), 50.0f);
    EXPECT_FLOAT_EQ(layer->delayX(), 200.0f);
    EXPECT_FLOAT_EQ(layer->delayHandle()->getBoundingBox().getMidX(), 200.0f);
    EXPECT_FLOAT_EQ(layer->delayHandle()->getBoundingBox().getMaxY(), 200.0f);

    // Above the window: pinned at the top edge. Below: at the bottom.
    model.power.triggerLevel = 10.0f;
    layer->update(0.0f);
    EXPECT_FLOAT_EQ(layer->levelHandle()->getBoundingBox().getMaxY(), 200.0f);
    model.power.triggerLevel = -80.0f;
    layer->update(0.0f);
    EXPECT_FLOAT_EQ(layer->levelHandle()->getBoundingBox().getMinY(), 0.0f);

    // With the attenuation offset (connected, 10 dB external + 8 dB internal) the window moves.
    connectPowerHardware(true);
    model.common.externalAttenuation = 10.0f;
    model.common.internalAttenuationIndex = 2;
    model.deviceInfo.attenuatorCount = 8;
    model.deviceInfo.attenuatorTable[2] = 8.0f;
    model.power.triggerLevel = -12.0f;
    layer->update(0.0f);
    EXPECT_FLOAT_EQ(layer->levelY(), 50.0f);

    // A delay of 2 ms puts the trigger point 80 points left of the centre; past the left edge
    // the sideways icon takes over.
    model.power.triggerDelay = 0.002f;
    layer->update(0.0f);
    EXPECT_FLOAT_EQ(layer->delayX(), 120.0f);
    model.power.triggerDelay = 0.02f;
    layer->update(0.0f);
    EXPECT_FALSE(layer->delayHandle()->isVisible());
    EXPECT_TRUE(layer->delaySideways()->isVisible());
    EXPECT_FLOAT_EQ(layer->delaySideways()->getBoundingBox().getMinX(), 0.0f);

    // No time table (before identification): the window counts as 1 s, never NaN.
    model.powerStore.timePerDivision.clear();
    model.power.triggerDelay = 0.25f;
    layer->update(0.0f);
    EXPECT_FLOAT_EQ(layer->delayX(), 100.0f);
}

TEST_F(PowerUITouchTest, DraggingTheLevelChangesItByTheDbOfThePoints)
{
    const engine::Vec2 at = centreOf(layer->levelHandle());
    engine::Touch* t = touchAt(at.x, at.y);
    ASSERT_TRUE(layer->onHandleTouchBegan(t));
    EXPECT_EQ(layer->dragMode(), Mode::Level);
    moveTo(t, at.x, at.y + 25.0f); // 25 points = 5 dB up
    layer->onTouchMoved(t);
    EXPECT_FLOAT_EQ(layer->draggedLevel(), -25.0f);
    EXPECT_FLOAT_EQ(model.power.triggerLevel, -30.0f) << "stored only when the finger lifts";
    layer->update(0.0f);
    EXPECT_TRUE(layer->bubble()->isVisible());
    EXPECT_EQ(layer->bubbleLabel()->getString(), "-25.00dBm");
    EXPECT_FLOAT_EQ(layer->levelY(), 75.0f);
    layer->onTouchEnded(t);
    EXPECT_FLOAT_EQ(model.power.triggerLevel, -25.0f);
    EXPECT_EQ(layer->dragMode(), Mode::None);
    EXPECT_EQ(reconfigures, 1);
    layer->update(0.0f);
    EXPECT_FALSE(layer->bubble()->isVisible());

    // Watts in the bubble.
    model.common.powerUnits = 1;
    engine::Touch* again = touchAt(at.x, 100.0f + 75.0f);
    ASSERT_TRUE(layer->onHandleTouchBegan(again));
    layer->update(0.0f);
    EXPECT_EQ(layer->bubbleLabel()->getString(), "3.16 µW");
    layer->onTouchCancelled(again);
    EXPECT_FLOAT_EQ(model.power.triggerLevel, -25.0f) << "a cancelled drag stores nothing";
    EXPECT_EQ(reconfigures, 1);
}

TEST_F(PowerUITouchTest, DelayDragStopsAtMinusHalfTheWindow)
{
    const engine::Vec2 at = centreOf(layer->delayHandle());
    engine::Touch* t = touchAt(at.x, at.y);
    ASSERT_TRUE(layer->onHandleTouchBegan(t));
    EXPECT_EQ(layer->dragMode(), Mode::Delay);
    moveTo(t, at.x - 40.0f, at.y); // left 40 points: 1 ms later
    layer->onTouchMoved(t);
    EXPECT_NEAR(layer->draggedDelay(), 0.001f, 1e-7f);
    moveTo(t, at.x + 500.0f, at.y); // far right: stops at -5 ms
    layer->onTouchMoved(t);
    EXPECT_FLOAT_EQ(layer->draggedDelay(), -0.005f);
    layer->update(0.0f);
    EXPECT_FLOAT_EQ(layer->delayX(), 400.0f);
    layer->onTouchEnded(t);
    EXPECT_FLOAT_EQ(model.power.triggerDelay, -0.005f);
    EXPECT_EQ(reconfigures, 1);
}

TEST_F(PowerUITouchTest, TouchAwayFromTheHandlesIsLeftToTheCursors)
{
    engine::Touch* t = touchAt(300, 150);
    EXPECT_FALSE(layer->onHandleTouchBegan(t));
    EXPECT_TRUE(layer->onTouchBegan(t)); // seen for a pinch, not hidden
    EXPECT_EQ(layer->dragMode(), Mode::None);
    layer->onTouchEnded(t);
    EXPECT_EQ(reconfigures, 0);
    // Outside the layer nothing is claimed.
    EXPECT_FALSE(layer->onTouchBegan(touchAt(50, 50)));
}

TEST_F(PowerUITouchTest, PinchStepsTheTimeScaleEveryHundredPointsAndStopsAtTheTableEnd)
{
    connectPowerHardware(true);
    model.power.timeScaleIndex = 1;
    engine::Touch* a = touchAt(250, 150);
    engine::Touch* b = touchAt(350, 150);
    layer->onTouchBegan(a);
    layer->onTouchBegan(b);
    EXPECT_EQ(layer->dragMode(), Mode::Pinch);
    EXPECT_TRUE(model.powerTouchActive.load());
    moveTo(b, 430, 150); // 80 points apart more: no step yet
    layer->onTouchMoved(b);
    EXPECT_EQ(model.power.timeScaleIndex, 1);
    moveTo(b, 460, 150); // 110 in all
    layer->onTouchMoved(b);
    EXPECT_EQ(model.power.timeScaleIndex, 2);
    moveTo(a, 140, 150); // another 110: index 3, the last
    layer->onTouchMoved(a);
    EXPECT_EQ(model.power.timeScaleIndex, 3);
    moveTo(a, 20, 150);
    layer->onTouchMoved(a);
    EXPECT_EQ(model.power.timeScaleIndex, 3);
    // Closing the fingers steps back towards 0.
    moveTo(a, 250, 150);
    layer->onTouchMoved(a);
    EXPECT_EQ(model.power.timeScaleIndex, 2);
    // Vertical distance: the amplitude table has one entry, no step possible.
    moveTo(b, 460, 400);
    layer->onTouchMoved(b);
    EXPECT_EQ(model.power.amplitudeScaleIndex, 0);
    layer->onTouchEnded(a);
    EXPECT_EQ(reconfigures, 1);
    layer->onTouchEnded(b);
    EXPECT_EQ(layer->dragMode(), Mode::None);
    EXPECT_FALSE(model.powerTouchActive.load());
    EXPECT_EQ(reconfigures, 1);
}

TEST_F(PowerUITouchTest, NoPinchWithoutPowerHardware)
{
    connectPowerHardware(false);
    engine::Touch* a = touchAt(250, 150);
    engine::Touch* b = touchAt(350, 150);
    layer->onTouchBegan(a);
    layer->onTouchBegan(b);
    EXPECT_NE(layer->dragMode(), Mode::Pinch);
    moveTo(b, 480, 150);
    layer->onTouchMoved(b);
    EXPECT_EQ(model.power.timeScaleIndex, 3);
    layer->onWheel(-1.0f, engine::Vec2(300, 200), false);
    EXPECT_EQ(model.power.timeScaleIndex, 3);
}

TEST_F(PowerUITouchTest, WheelStepsTimeShiftWheelAmplitudeWithinTheirTables)
{
    connectPowerHardware(true);
    model.powerStore.amplitudePerDivision = {1.0f, 2.0f, 5.0f};
    layer->onWheel(1.0f, engine::Vec2(300, 200), false); // already at the last index
    EXPECT_EQ(model.power.timeScaleIndex, 3);
    layer->onWheel(-1.0f, engine::Vec2(300, 200), false);
    EXPECT_EQ(model.power.timeScaleIndex, 2);
    layer->onWheel(1.0f, engine::Vec2(300, 200), true);
    layer->onWheel(1.0f, engine::Vec2(300, 200), true);
    layer->onWheel(1.0f, engine::Vec2(300, 200), true);
    EXPECT_EQ(model.power.amplitudeScaleIndex, 2);
    EXPECT_EQ(model.power.timeScaleIndex, 2);
    // Outside the layer the wheel does nothing; an empty table takes no step.
    layer->onWheel(-1.0f, engine::Vec2(50, 50), false);
    EXPECT_EQ(model.power.timeScaleIndex, 2);
    model.powerStore.amplitudePerDivision.clear();
    layer->onWheel(-1.0f, engine::Vec2(300, 200), true);
    EXPECT_EQ(model.power.amplitudeScaleIndex, 2);
}

TEST_F(PowerUITouchTest, RemovingTheLayerMidPinchClearsTheTouchFlag)
{
    connectPowerHardware(true);
    layer->onTouchBegan(touchAt(250, 150));
    layer->onTouchBegan(touchAt(350, 150));
    ASSERT_TRUE(model.powerTouchActive.load());
    layer->removeFromParentAndCleanup(true);
    EXPECT_FALSE(model.powerTouchActive.load());
}

TEST_F(PowerUITouchTest, PanelShowsTheChosenMeasurementsWithTheAttenuationOffset)
{
    connectPowerHardware(true);
    model.common.externalAttenuation = 10.0f;
    model.common.internalAttenuationIndex = 2;
    model.deviceInfo.attenuatorCount = 8;
    model.deviceInfo.attenuatorTable[2] = 8.0f;
    const std::uint8_t slots[6] = {17, 0, 255, 3, 2, 255};
    std::copy(slots, slots + 6, model.power.measurements);
    model.powerStore.measurements[17] = -30.0f;              // Max
    model.powerStore.measurements[0] = 0.002f;               // Period
    model.powerStore.measurements[3] = NAN;                  // Rise Time
    layer->update(0.0f);
    EXPECT_EQ(layer->panelLabel(0)->getString(), "Max: -12.00dBm");
    EXPECT_EQ(layer->panelLabel(1)->getString().rfind("Period: 2.00", 0), 0u) << layer->panelLabel(1)->getString();
    EXPECT_EQ(layer->panelLabel(2)->getString(), "");
    EXPECT_EQ(layer->panelLabel(3)->getString(), "Rise Time: --");
    EXPECT_EQ(layer->panelLabel(4)->getString(), "Delay: ");
}

// The ground marker keeps its share of the layer's width at every size, whole on the layer.
TEST_F(PowerUITouchTest, GroundMarkerScalesWithTheLayer)
{
    for (const float w : {400.0f, 960.0f, 1600.0f}) {
        SCOPED_TRACE(w);
        layer->setContentSize(engine::Size(w, 200));
        layer->update(0.0f);
        const engine::Rect box = layer->groundMarker()->getBoundingBox();
        EXPECT_NEAR(box.size.width, 0.1857f * w, 0.01f);
        EXPECT_NEAR(box.size.height, 0.0571f * w, 0.01f);
        EXPECT_NEAR(box.getMaxX(), w, 0.01f);
        EXPECT_GE(box.getMinY(), -0.01f);
    }
}

// A drag on a measurement label moves that label alone, sideways, and never out of the layer.
TEST_F(PowerUITouchTest, DraggingAMeasurementLabelMovesOnlyThatLabel)
{
    const std::uint8_t slots[6] = {17, 0, 18, 255, 255, 255};
    std::copy(slots, slots + 6, model.power.measurements);
    model.powerStore.measurements[17] = -30.0f;
    model.powerStore.measurements[0] = 0.002f;
    model.powerStore.measurements[18] = -35.0f;
    layer->update(0.0f);
    std::vector<float> before;
    for (int i = 0; i < 6; ++i) before.push_back(layer->panelLabel(i)->getPositionX());
    struct Case {
        int slot;
        float dx;
        float expectedX; // < 0: moved by dx
    };
    const engine::Size layerSize = layer->getContentSize();
    const Case cases[] = {
        {1, 30.0f, -1.0f},
        {0, -500.0f, 0.0f}, // stops at the left edge
        {2, 900.0f, layerSize.width - layer->panelLabel(2)->getContentSize().width}, // at the right
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot);
        std::vector<float> start;
        for (int i = 0; i < 6; ++i) start.push_back(layer->panelLabel(i)->getPositionX());
        const engine::Rect box = layer->panelLabel(c.slot)->getBoundingBox();
        engine::Touch* t = touchAt(100 + box.getMidX(), 100 + box.getMidY());
        ASSERT_TRUE(layer->onHandleTouchBegan(t));
        EXPECT_EQ(layer->dragMode(), Mode::Panel);
        moveTo(t, 100 + box.getMidX() + c.dx, 100 + box.getMidY());
        layer->onTouchMoved(t);
        layer->onTouchEnded(t);
        layer->update(0.0f);
        const float expected = c.expectedX < 0 ? start[static_cast<std::size_t>(c.slot)] + c.dx : c.expectedX;
        EXPECT_NEAR(layer->panelLabel(c.slot)->getPositionX(), expected, 0.01f);
        for (int i = 0; i < 6; ++i) {
            if (i != c.slot) EXPECT_FLOAT_EQ(layer->panelLabel(i)->getPositionX(), start[static_cast<std::size_t>(i)]) << i;
        }
    }
    EXPECT_EQ(reconfigures, 0);
}

TEST_F(PowerUITouchTest, ReferenceLabelFollowsTheShowFlag)
{
    model.referenceChannel.shown = 1;
    layer->update(0.0f);
    EXPECT_EQ(layer->referenceLabel()->getString(), "REF: RF");
    model.referenceChannel.shown = 0;
    layer->update(0.0f);
    EXPECT_EQ(layer->referenceLabel()->getString(), "RF");
}

} // namespace
} // namespace nolvo
