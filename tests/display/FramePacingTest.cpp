// Frames are drawn only when something visible changed: a still scene, a settled overlay and a
// finished fade ask for none; a new sweep asks for exactly one; running actions and due timers
// keep the loop going. Driven through Director::mainLoop as the program's loop drives it.

#include <gtest/gtest.h>

#include <vector>

#include "GuiTestFixture.h"
#include "display/OverlayLayer.h"
#include "display/RssiLayer.h"
#include "display/SSIDLayer.h"
#include "engine/actions/ActionInterval.h"
#include "engine/base/Scheduler.h"
#include "engine/scene/Layer.h"
#include "model/DataModel.h"
#include "platform/Clock.h"

namespace nolvo {
namespace {

using engine::Director;

class FramePacingTest : public enginetest::GuiTest {
protected:
    void TearDown() override
    {
        engine::clock::setSource(nullptr); // a test may have stepped the clock by hand
        GuiTest::TearDown();
    }
    // Runs frames until one draws nothing (at most 10); the frames drawn on the way.
    std::uint64_t settle()
    {
        const auto before = director->getRenderedFrames();
        for (int i = 0; i < 10 && director->needsNextFrame(); ++i) director->mainLoop();
        EXPECT_FALSE(director->needsNextFrame()) << "the scene never settled";
        return director->getRenderedFrames() - before;
    }
    // Frames drawn by n more passes of the loop.
    std::uint64_t framesOver(int n)
    {
        const auto before = director->getRenderedFrames();
        for (int i = 0; i < n; ++i) director->mainLoop();
        return director->getRenderedFrames() - before;
    }
    void sweep()
    {
        const std::vector<float> values(256, -60.0f);
        model.pushSweep(kBand24, values.data(), static_cast<int>(values.size()));
    }
    AccessPoint& addAccessPoint(float shown, float received)
    {
        AccessPointBatch batch;
        auto ap = std::make_unique<AccessPoint>();
        ap->band = 0;
        ap->modes = AccessPoint::kMode11g;
        ap->channel = 6;
        ap->channelWidth = 20;
        ap->bssid = {2, 0, 0, 0, 0, 1};
        batch.push_back(std::move(ap));
        model.accessPoints.merge(batch, 1000, {});
        AccessPoint& added = model.accessPoints[0];
        added.displayFrom = added.displayLevel = added.displayTo = shown;
        added.rssi = received;
        return added;
    }

    Director* director = Director::getInstance();
    DataModel model;
};

TEST_F(FramePacingTest, AStillSceneAsksForNoFrame)
{
    scene->addChild(engine::LayerColor::create(engine::Color4B(20, 40, 60, 255), 200, 100));
    director->mainLoop();
    EXPECT_TRUE(director->needsNextFrame()) << "after a drawn frame the next one looks for more movement";
    settle();
    EXPECT_EQ(framesOver(5), 0u);
    EXPECT_FALSE(director->needsNextFrame());
    EXPECT_NEAR(director->getIdleWait(), Director::kIdleWait, 1e-9);
}

TEST_F(FramePacingTest, TheOverlayMovesOnlyWithSweepsAndASweepDrawsExactlyOneFrame)
{
    AccessPoint& ap = addAccessPoint(-90.0f, -40.0f); // still rising
    SSIDLayer* overlay = SSIDLayer::createWithModel(model);
    overlay->setContentSize(engine::Size(600, 300));
    scene->addChild(overlay);
    sweep();
    settle();
    const float shown = ap.displayLevel;
    EXPECT_EQ(framesOver(5), 0u) << "a rise in flight waits for the next sweep";
    EXPECT_EQ(ap.displayLevel, shown);

    sweep();
    EXPECT_EQ(framesOver(1), 1u);
    EXPECT_GT(ap.displayLevel, shown) << "the sweep moved it";
    EXPECT_EQ(framesOver(5), 0u) << "exactly one frame for one sweep";
    EXPECT_FALSE(director->needsNextFrame());

    // Settled: sweeps keep coming, the overlay has nothing to draw.
    ap.displayFrom = ap.displayLevel = ap.displayTo = ap.rssi;
    sweep();
    EXPECT_EQ(framesOver(1), 1u) << "the settled height is drawn";
    settle();
    sweep();
    EXPECT_EQ(framesOver(3), 0u);
}

TEST_F(FramePacingTest, ATraceRedrawsOncePerSweep)
{
    model.spectrum.traceSelection[0] = 1; // raw
    model.spectrum.traceSelection[1] = 6; // heat map
    RssiLayer* trace = RssiLayer::createWithModel(model);
    trace->setContentSize(engine::Size(600, 300));
    trace->setBands(true, false);
    scene->addChild(trace);
    sweep();
    settle();
    EXPECT_EQ(framesOver(5), 0u);
    sweep();
    EXPECT_EQ(framesOver(5), 1u);
    sweep();
    sweep();
    EXPECT_EQ(framesOver(5), 1u) << "two sweeps between frames: one frame";
}

TEST_F(FramePacingTest, FadesActionsAndTimersAskForFramesOnlyWhileTheyRun)
{
    // Each pass of the loop a tenth of a second apart.
    static std::uint64_t nowMs = 0;
    engine::clock::setSource([] { return nowMs += 100; });
    OverlayLayer* axes = OverlayLayer::createWithModel(model);
    axes->setContentSize(engine::Size(400, 200));
    scene->addChild(axes);
    settle();
    axes->touchBegan();
    director->mainLoop();
    EXPECT_TRUE(director->needsNextFrame()) << "the axis labels fade in";
    settle();
    EXPECT_EQ(axes->labelFade(), 1.0f);
    EXPECT_EQ(framesOver(3), 0u) << "faded in and held: no frames";
    axes->touchEnded();
    director->mainLoop();
    EXPECT_TRUE(director->needsNextFrame()) << "the axis labels fade out";
    for (int i = 0; i < 30 && axes->labelFade() > 0.0f; ++i) director->mainLoop();
    EXPECT_EQ(axes->labelFade(), 0.0f);
    settle();
    EXPECT_EQ(framesOver(3), 0u) << "faded out: no frames";

    auto* box = engine::LayerColor::create(engine::Color4B(200, 0, 0, 255), 50, 50);
    scene->addChild(box);
    box->runAction(engine::FadeOut::create(30.0f));
    director->mainLoop();
    EXPECT_TRUE(director->needsNextFrame()) << "an action in progress";
    box->stopAllActions();
    settle();

    engine::Scheduler* scheduler = director->getScheduler();
    int fired = 0;
    scheduler->schedule([&fired](float) { ++fired; }, this, 0.0f, 0, 0.05f, false, "soon");
    EXPECT_NEAR(director->getIdleWait(), 0.05, 0.02) << "the loop sleeps no longer than the timer";
    scheduler->unschedule("soon", this);
    scheduler->schedule([&fired](float) { ++fired; }, this, 0.0f, 0, 0.001f, false, "now");
    EXPECT_TRUE(director->needsNextFrame()) << "a timer due within a frame";
    scheduler->unschedule("now", this);
    EXPECT_FALSE(director->needsNextFrame());
    EXPECT_EQ(fired, 0);
}

} // namespace
} // namespace nolvo
