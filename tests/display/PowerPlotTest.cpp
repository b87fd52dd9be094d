// Geometry of the power view: handles, drags, scale steps, persistence, roll layout, the
// stretch of a stopped capture and the cursor measurements.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "display/PowerPlot.h"
#include "model/DataModel.h"

namespace nolvo {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(PowerPlot, HandlePositionsFollowLevelDelayOffsetAndWindow)
{
    // 400 points tall for the default -40..0 dBm window: 10 points per dB.
    const PowerMapping map{-40.0f, 0.0f, 400.0f, 0.0f};
    EXPECT_FLOAT_EQ(PowerPlot::levelHandleY(-30.0f, 0.0f, map), 100.0f);
    // The attenuation offset moves the window: the same level sits 10 dB lower.
    EXPECT_FLOAT_EQ(PowerPlot::levelHandleY(-30.0f, 10.0f, map), 0.0f);
    // The channel offset shifts it by points.
    const PowerMapping shifted{-40.0f, 0.0f, 400.0f, 25.0f};
    EXPECT_FLOAT_EQ(PowerPlot::levelHandleY(-30.0f, 0.0f, shifted), 125.0f);
    // Above the window: beyond the height (the layer pins it at the top).
    EXPECT_GT(PowerPlot::levelHandleY(5.0f, 0.0f, map), 400.0f);

    // 1 ms per division: a 10 ms window over 500 points; a delay of 0 is the centre.
    const float window = PowerPlot::timeWindow(0.001f);
    EXPECT_FLOAT_EQ(window, 0.01f);
    EXPECT_FLOAT_EQ(PowerPlot::delayHandleX(0.0f, window, 500.0f), 250.0f);
    EXPECT_FLOAT_EQ(PowerPlot::delayHandleX(0.002f, window, 500.0f), 150.0f);
    EXPECT_FLOAT_EQ(PowerPlot::delayHandleX(-0.005f, window, 500.0f), 500.0f);
    // No usable time table: the window counts as 1 s, never NaN.
    for (float spd : {kNaN, 0.0f, -1.0f, kInf}) {
        EXPECT_FLOAT_EQ(PowerPlot::timeWindow(spd), 1.0f) << spd;
        EXPECT_FLOAT_EQ(PowerPlot::delayHandleX(0.25f, PowerPlot::timeWindow(spd), 500.0f), 125.0f) << spd;
    }
}

TEST(PowerPlot, DragsMoveLevelAndDelayByWhatTheirPointsMapTo)
{
    const PowerMapping map{-40.0f, 0.0f, 400.0f, 0.0f};
    EXPECT_FLOAT_EQ(PowerPlot::draggedLevel(-30.0f, 50.0f, map), -25.0f);
    EXPECT_FLOAT_EQ(PowerPlot::draggedLevel(-30.0f, -100.0f, map), -40.0f);
    // An unusable window leaves the level alone instead of dividing by zero.
    EXPECT_FLOAT_EQ(PowerPlot::draggedLevel(-30.0f, 50.0f, PowerMapping{-10.0f, -10.0f, 400.0f, 0.0f}), -30.0f);

    // 10 ms over 500 points: 20 µs per point, the delay moves against the finger.
    EXPECT_FLOAT_EQ(PowerPlot::draggedDelay(0.0f, -50.0f, 0.01f, 500.0f), 0.001f);
    EXPECT_FLOAT_EQ(PowerPlot::draggedDelay(0.0f, 100.0f, 0.01f, 500.0f), -0.002f);
    // Dragging right stops at minus half the window (the handle at the right edge).
    EXPECT_FLOAT_EQ(PowerPlot::draggedDelay(-0.004f, 400.0f, 0.01f, 500.0f), -0.005f);
    EXPECT_FLOAT_EQ(PowerPlot::delayHandleX(-0.005f, 0.01f, 500.0f), 500.0f);
    // Dragging left is not bounded by the window.
    EXPECT_FLOAT_EQ(PowerPlot::draggedDelay(0.0f, -1000.0f, 0.01f, 500.0f), 0.02f);
}

TEST(PowerPlot, ScaleStepsStopAtTheTableEnds)
{
    struct Case {
        std::int32_t index;
        std::size_t size;
        bool up;
        std::int32_t expected;
    } const cases[] = {
        {15, 18, true, 16}, {17, 18, true, 17}, {0, 18, false, 0}, {1, 18, false, 0},
        {0, 1, true, 0},    {0, 1, false, 0},   // one-entry amplitude table
        {40, 18, false, 16}, {-3, 18, true, 1}, // stored indexes out of range come back in
        {5, 0, true, 5},    {5, 0, false, 5},   // empty table: no step at all
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PowerPlot::steppedIndex(c.index, c.size, c.up), c.expected)
            << c.index << " of " << c.size << (c.up ? " up" : " down");
    }
}

TEST(PowerPlot, PersistenceOfAnyUnusableValueIsTwoSeconds)
{
    for (float stored : {0.0f, -1.0f, kNaN, kInf, -kInf}) EXPECT_FLOAT_EQ(PowerPlot::persistence(stored), 2.0f) << stored;
    EXPECT_FLOAT_EQ(PowerPlot::persistence(0.5f), 0.5f);
    // A longer shortest fade wins, with its small margin.
    EXPECT_FLOAT_EQ(PowerPlot::decayTime(0.5f, 1.0f), 1.0f + 1e-5f);
    EXPECT_FLOAT_EQ(PowerPlot::decayTime(0.5f, 0.1f), 0.5f);
    EXPECT_FLOAT_EQ(PowerPlot::decayTime(kNaN, kNaN), 2.0f);
}

PowerTraces twoTraces()
{
    PowerTraces live;
    live.history = {{-20.0f, -20.0f}, {-10.0f, -10.0f}};
    live.processedHistory = {{0.0f, -20.0f, 100.0f, -20.0f}, {0.0f, -10.0f, 100.0f, -10.0f}};
    return live;
}

TEST(PowerPlot, SupersededTraceFadesOnTheFrameClockAndIsDropped)
{
    PowerTraces live = twoTraces();
    std::vector<float> drawn;
    auto record = [&](const std::vector<float>& polyline, float opacity) {
        drawn.push_back(polyline[1]);
        drawn.push_back(opacity);
    };
    // Persistence 2 s, frames of 0.5 s: the older trace loses a quarter per frame.
    EXPECT_EQ(PowerPlot::fadeTraces(live, 0.5f, 2.0f, record), 0u);
    ASSERT_EQ(drawn, (std::vector<float>{-20.0f, 1.0f, -10.0f, 1.0f}));
    ASSERT_EQ(live.alpha.size(), 2u);
    EXPECT_FLOAT_EQ(live.alpha[0], 0.75f);
    EXPECT_FLOAT_EQ(live.alpha[1], 1.0f);
    drawn.clear();
    EXPECT_EQ(PowerPlot::fadeTraces(live, 0.5f, 2.0f, record), 0u);
    EXPECT_FLOAT_EQ(drawn[1], 0.75f);
    EXPECT_EQ(PowerPlot::fadeTraces(live, 0.5f, 2.0f, record), 0u);
    // The fourth frame takes it to zero: drawn once more at 0.25, then dropped with its samples.
    drawn.clear();
    EXPECT_EQ(PowerPlot::fadeTraces(live, 0.5f, 2.0f, record), 1u);
    EXPECT_FLOAT_EQ(drawn[1], 0.25f);
    ASSERT_EQ(live.processedHistory.size(), 1u);
    ASSERT_EQ(live.history.size(), 1u);
    EXPECT_FLOAT_EQ(live.history[0][0], -10.0f);
    EXPECT_EQ(live.alpha, (std::vector<float>{1.0f}));
    // A lone trace never fades.
    for (int i = 0; i < 10; ++i) PowerPlot::fadeTraces(live, 0.5f, 2.0f, record);
    EXPECT_EQ(live.alpha, (std::vector<float>{1.0f}));
}

TEST(PowerPlot, NewerFadedTraceTakesTheOlderOnesWithIt)
{
    PowerTraces live = twoTraces();
    live.history.push_back({-5.0f, -5.0f, -5.0f}); // not converted yet: stays
    live.processedHistory.push_back({0.0f, -5.0f, 100.0f, -5.0f});
    live.alpha = {0.9f, 0.1f, 1.0f};
    int draws = 0;
    EXPECT_EQ(PowerPlot::fadeTraces(live, 0.5f, 2.0f, [&](const std::vector<float>&, float) { ++draws; }), 2u);
    EXPECT_EQ(draws, 3);
    ASSERT_EQ(live.processedHistory.size(), 1u);
    EXPECT_FLOAT_EQ(live.processedHistory[0][1], -5.0f);
    EXPECT_EQ(live.history.size(), 1u);
}

TEST(PowerPlot, RollTraceEndsAtTheRightEdgeSpacedByTheScreen)
{
    std::vector<float> rolling;
    for (int i = 0; i < 10; ++i) rolling.push_back(static_cast<float>(-i));
    // 5 samples per screen over 400 points: 100 points apart, the newest at x = 400.
    const std::vector<float> points = PowerPlot::rollPolyline(rolling, 5, 400.0f);
    ASSERT_EQ(points.size(), 10u);
    EXPECT_EQ(points, (std::vector<float>{0, -5, 100, -6, 200, -7, 300, -8, 400, -9}));
    // Fewer samples than a screen: still right-aligned.
    const std::vector<float> few = PowerPlot::rollPolyline({-1.0f, -2.0f, -3.0f}, 5, 400.0f);
    EXPECT_EQ(few, (std::vector<float>{200, -1, 300, -2, 400, -3}));
    // Nothing to lay out: two samples or fewer, fewer than 2 samples per screen, no width.
    EXPECT_TRUE(PowerPlot::rollPolyline({-1.0f, -2.0f}, 5, 400.0f).empty());
    EXPECT_TRUE(PowerPlot::rollPolyline(rolling, 1, 400.0f).empty());
    EXPECT_TRUE(PowerPlot::rollPolyline(rolling, 0, 400.0f).empty());
    EXPECT_TRUE(PowerPlot::rollPolyline(rolling, 5, 0.0f).empty());
}

TEST(PowerPlot, StoppedCaptureStretchesAboutTheCentreAndFollowsTheDelay)
{
    // Captured at 1 ms/div, now 0.5 ms/div: twice as wide about the centre of 400 points.
    const XTransform x = PowerPlot::stoppedCaptureStretch(400.0f, 0.001f, 0.0005f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(x.scale, 2.0f);
    EXPECT_FLOAT_EQ(x.scale * 200.0f + x.offset, 200.0f);
    EXPECT_FLOAT_EQ(x.scale * 300.0f + x.offset, 400.0f);
    // A delay 1 ms later (window 5 ms over 400 points) moves the capture 80 points left, as it
    // moves the delay handle.
    const XTransform moved = PowerPlot::stoppedCaptureStretch(400.0f, 0.001f, 0.0005f, 0.0f, 0.001f);
    EXPECT_FLOAT_EQ(moved.scale * 200.0f + moved.offset, 120.0f);
    EXPECT_FLOAT_EQ(PowerPlot::delayHandleX(0.001f, 0.005f, 400.0f), 120.0f);
    // Times that cannot be divided draw the capture as it is.
    for (auto [c, n] : {std::pair{0.0f, 0.001f}, std::pair{0.001f, 0.0f}, std::pair{kNaN, 0.001f}}) {
        EXPECT_EQ(PowerPlot::stoppedCaptureStretch(400.0f, c, n, 0.0f, 0.0f), XTransform{});
    }
}

TEST(PowerPlot, LevelAndEnergyUnderTheCursors)
{
    const std::vector<float> line{0.0f, -10.0f, 100.0f, -20.0f, 200.0f, -20.0f};
    std::int32_t index = -1;
    EXPECT_FLOAT_EQ(PowerPlot::levelAt(line, 50.0f, &index), -15.0f);
    EXPECT_EQ(index, 0);
    EXPECT_FLOAT_EQ(PowerPlot::levelAt(line, 150.0f, &index), -20.0f);
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(std::isnan(PowerPlot::levelAt(line, 250.0f)));
    EXPECT_TRUE(std::isnan(PowerPlot::levelAt({}, 0.0f)));

    // 0 dBm (1 mW) held for 2 s: 2 mWs, whichever cursor is on the left.
    const std::vector<float> flat{0.0f, 0.0f, 50.0f, 0.0f, 100.0f, 0.0f};
    EXPECT_NEAR(PowerPlot::energyBetween(flat, 0.0f, 100.0f, 0.02f), 2e-3f, 1e-9f);
    EXPECT_NEAR(PowerPlot::energyBetween(flat, 75.0f, 25.0f, 0.02f), 1e-3f, 1e-9f);
    EXPECT_TRUE(std::isnan(PowerPlot::energyBetween(flat, 0.0f, 150.0f, 0.02f)));
    EXPECT_TRUE(std::isnan(PowerPlot::energyBetween(flat, 0.0f, 50.0f, 0.0f)));
}

} // namespace
} // namespace nolvo
