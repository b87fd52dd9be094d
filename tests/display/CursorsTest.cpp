// Cursor grabbing and dragging.

#include <gtest/gtest.h>

#include <vector>

#include "GuiTestFixture.h"
#include "display/CursorsLayer.h"
#include "engine/input/Touch.h"
#include "engine/scene/DrawNode.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

struct MoveCase {
    const char* what;
    float start[2];
    int active;
    float delta;
    bool tracking;
    float expected[2];
};

TEST(CursorMoves, IndependentAndTrackingAgainstTheEdges)
{
    // The axis is 400 points long.
    const MoveCase cases[] = {
        {"independent moves the active one", {100, 200}, 0, 50, false, {150, 200}},
        {"independent clamps at the far edge", {100, 200}, 1, 500, false, {100, 400}},
        {"independent clamps at the near edge", {100, 200}, 0, -500, false, {0, 200}},
        {"beyond the layer (after a resize) is pulled back", {100, 900}, 1, 1, false, {100, 400}},
        {"tracking keeps the separation", {100, 200}, 0, 30, true, {130, 230}},
        {"tracking: the leading other cursor stops at the far edge", {100, 200}, 0, 300, true, {300, 400}},
        {"tracking: the leading active cursor stops at the far edge", {100, 200}, 1, 300, true, {300, 400}},
        {"tracking: stopped at the near edge", {100, 200}, 1, -150, true, {0, 100}},
        {"tracking: the active one behind, near edge", {150, 50}, 0, -100, true, {100, 0}},
    };
    for (const MoveCase& c : cases) {
        float p[2] = {c.start[0], c.start[1]};
        CursorsLayer::movePair(p, c.active, c.delta, 400.0f, c.tracking);
        EXPECT_FLOAT_EQ(p[0], c.expected[0]) << c.what;
        EXPECT_FLOAT_EQ(p[1], c.expected[1]) << c.what;
    }
}

class CursorsTest : public enginetest::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        model.cursors.shown = 1;
        model.cursors.verticalSelected = 1;
        model.cursors.horizontalSelected = 0;
        layer = CursorsLayer::createWithModel(model);
        layer->setContentSize(engine::Size(400, 200));
        layer->setPosition(100, 100);
        scene->addChild(layer);
    }
    void TearDown() override
    {
        for (engine::Touch* t : touches) t->release();
        GuiTest::TearDown();
    }
    engine::Touch* touchAt(float x, float y)
    {
        auto* t = new engine::Touch();
        t->setTouchInfo(0, x, 640.0f - y, 640.0f);
        touches.push_back(t);
        return t;
    }

    DataModel model;
    CursorsLayer* layer = nullptr;
    std::vector<engine::Touch*> touches;
};

TEST_F(CursorsTest, CoincidentCursorsGrabTheActiveOne)
{
    model.cursors.verticalX[0] = 150;
    model.cursors.verticalX[1] = 150;
    model.cursors.activeCursor = 1; // cursor 2 active
    engine::Touch* t = touchAt(253, 200); // layer x 153
    ASSERT_TRUE(layer->onTouchBegan(t));
    EXPECT_TRUE(layer->verticalGrab());
    EXPECT_EQ(CursorsLayer::activeCursor(model), 1);
    t->moveTo(283, 440);
    layer->onTouchMoved(t);
    EXPECT_FLOAT_EQ(model.cursors.verticalX[1], 180.0f);
    EXPECT_FLOAT_EQ(model.cursors.verticalX[0], 150.0f);
}

TEST_F(CursorsTest, NearerCursorBecomesActiveAndFarTouchesAreNotClaimed)
{
    model.cursors.verticalX[0] = 100;
    model.cursors.verticalX[1] = 108;
    model.cursors.activeCursor = 0;
    EXPECT_TRUE(layer->onTouchBegan(touchAt(207, 150))); // layer x 107: nearer to cursor 2
    EXPECT_EQ(CursorsLayer::activeCursor(model), 1);
    const float r = CursorsLayer::grabRadius();
    EXPECT_FLOAT_EQ(r, 96.0f * 0.123f); // the 96 DPI fallback
    EXPECT_FALSE(layer->onTouchBegan(touchAt(100 + 108 + r + 2, 150)));
    model.waterfallTouchInProgress.store(true);
    EXPECT_FALSE(layer->onTouchBegan(touchAt(207, 150)));
    model.waterfallTouchInProgress.store(false);
    model.cursors.shown = 0;
    EXPECT_FALSE(layer->onTouchBegan(touchAt(207, 150)));
}

TEST_F(CursorsTest, ActiveCursorIsSolidTheOtherDashed)
{
    model.cursors.activeCursor = 0;
    model.spectrum.traceSelection[0] = 0;
    model.spectrum.traceSelection[1] = 0;
    model.spectrum.traceSelection[2] = 0;
    render();
    // One solid line (2 vertices) and 40 dashes (80 vertices).
    EXPECT_EQ(layer->drawNode()->getLineVertexCount(), 2u + 80u);
    model.cursors.horizontalSelected = 1;
    render();
    EXPECT_EQ(layer->drawNode()->getLineVertexCount(), 2u + 80u + 2u + 100u);
}

TEST_F(CursorsTest, TraceTicksOnlyForTraceSelectionsAndNotInTheWaterfall)
{
    model.spectrum.traceSelection[0] = 1; // raw: a tick at each cursor
    model.spectrum.traceSelection[1] = 6; // heat map: none
    model.spectrum.traceSelection[2] = 4; // max hold: a tick at each cursor
    model.common.spectrumModeActive = 1;
    model.spectrum.displayMode = 0;
    render();
    EXPECT_EQ(layer->drawNode()->getLineVertexCount(), 82u + 2u * 2u * 2u);
    model.spectrum.displayMode = 1; // waterfall: both cursor kinds, no ticks
    render();
    EXPECT_EQ(layer->drawNode()->getLineVertexCount(), 82u + 102u);
    model.cursors.shown = 0;
    render();
    EXPECT_EQ(layer->drawNode()->getLineVertexCount(), 0u);
}

} // namespace
} // namespace nolvo
