#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/PowerSpline.h"

namespace nolvo {
namespace {

struct Point {
    float x;
    float y;
};

std::vector<Point> points(const std::vector<float>& polyline)
{
    std::vector<Point> out;
    for (std::size_t i = 0; i + 1 < polyline.size(); i += 2) {
        out.push_back({polyline[i], polyline[i + 1]});
    }
    return out;
}

std::vector<Point> polyline(const std::vector<float>& trace, float width)
{
    return points(PowerSpline::traceToPolyline(trace.data(), trace.size(), width));
}

TEST(PowerSpline, TooShortTracesGiveNothing)
{
    const float one = -20.0f;
    EXPECT_TRUE(PowerSpline::traceToPolyline(nullptr, 5, 100.0f).empty());
    EXPECT_TRUE(PowerSpline::traceToPolyline(&one, 0, 100.0f).empty());
    EXPECT_TRUE(PowerSpline::traceToPolyline(&one, 1, 100.0f).empty());
    std::vector<PowerSpline::Segment> segments(3);
    EXPECT_FALSE(PowerSpline::fit(&one, 1, segments));
    EXPECT_TRUE(segments.empty());
}

TEST(PowerSpline, TwoSamplesGiveAStraightSegmentOfFivePoints)
{
    const auto p = polyline({-40.0f, -20.0f}, 100.0f);
    ASSERT_EQ(p.size(), 5u);
    const Point expected[] = {{0, -40}, {25, -35}, {50, -30}, {75, -25}, {100, -20}};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_FLOAT_EQ(p[i].x, expected[i].x) << i;
        EXPECT_FLOAT_EQ(p[i].y, expected[i].y) << i;
    }
}

TEST(PowerSpline, ThreePointArchMatchesHandComputedSpline)
{
    // Points (0,0), (1,1), (2,0): both chords sqrt(2), lambda = mu = 1/2, r = -3, so the inner
    // second derivative is -1.5 and m = h^2 M = -3 at the middle point.
    const float y[] = {0.0f, 1.0f, 0.0f};
    std::vector<PowerSpline::Segment> s;
    ASSERT_TRUE(PowerSpline::fit(y, 3, s));
    ASSERT_EQ(s.size(), 2u);
    EXPECT_NEAR(s[0].a, 0.0, 1e-12);
    EXPECT_NEAR(s[0].b, 1.5, 1e-12);
    EXPECT_NEAR(s[0].c, 0.0, 1e-12);
    EXPECT_NEAR(s[0].d, -0.5, 1e-12);
    EXPECT_NEAR(s[1].a, 1.0, 1e-12);
    EXPECT_NEAR(s[1].b, 0.0, 1e-12);
    EXPECT_NEAR(s[1].c, -1.5, 1e-12);
    EXPECT_NEAR(s[1].d, 0.5, 1e-12);

    // Neither segment leaves its range, so the curve is kept: 4 x 2 + 1 points, x in steps of
    // width / 2 / 4.
    const auto p = polyline({0.0f, 1.0f, 0.0f}, 80.0f);
    ASSERT_EQ(p.size(), 9u);
    EXPECT_FLOAT_EQ(p[1].x, 10.0f);
    EXPECT_NEAR(p[1].y, 1.5 * 0.25 - 0.5 * 0.015625, 1e-6); // 0.3671875, not the straight 0.25
    EXPECT_FLOAT_EQ(p[4].x, 40.0f);
    EXPECT_FLOAT_EQ(p[4].y, 1.0f);
    EXPECT_FLOAT_EQ(p[8].x, 80.0f);
    EXPECT_NEAR(p[8].y, 0.0f, 1e-6);
}

TEST(PowerSpline, StepTraceGuardsTheSegmentsThatRing)
{
    // A step with a slight slope on both levels: the spline rings on the small segments next to
    // the step by far more than 10 % of their rise, so they are drawn straight; the step segment
    // itself stays inside its range and keeps its curve.
    const std::vector<float> trace = {0.0f, 0.02f, 0.04f, 1.0f, 1.02f, 1.04f};
    const auto p = polyline(trace, 5.0f); // one unit of x per sample
    ASSERT_EQ(p.size(), 21u);
    for (const std::size_t segment : {0u, 1u, 3u, 4u}) {
        const float y0 = trace[segment];
        const float y1 = trace[segment + 1];
        for (int k = 0; k < 4; ++k) {
            const Point& q = p[segment * 4 + static_cast<std::size_t>(k)];
            EXPECT_NEAR(q.y, y0 + (y1 - y0) * 0.25f * static_cast<float>(k), 1e-6) << "segment " << segment;
        }
    }
    // The step segment at t = 0.25 (chord-length spline: 0.2414; a straight line would give 0.28).
    EXPECT_NEAR(p[9].y, 0.2414f, 1e-3);
    EXPECT_NEAR(p[20].y, 1.04f, 1e-6);

    // Unguarded, the same spline dips below the start of segment 1.
    std::vector<PowerSpline::Segment> s;
    ASSERT_TRUE(PowerSpline::fit(trace.data(), trace.size(), s));
    EXPECT_LT(s[1].at(0.5), 0.0);
    EXPECT_EQ(PowerSpline::guarded(s[1]).c, 0.0);
    EXPECT_NE(PowerSpline::guarded(s[2]).c, 0.0);
}

TEST(PowerSpline, FlatSegmentsAreNeverGuarded)
{
    // A rise below 1e-6 leaves the curve as it is, even where it wobbles.
    const PowerSpline::Segment wobble{5.0, 0.3, -0.6, 0.3}; // ends where it starts
    const PowerSpline::Segment kept = PowerSpline::guarded(wobble);
    EXPECT_EQ(kept.b, 0.3);
    EXPECT_EQ(kept.c, -0.6);
}

TEST(PowerSpline, LongTracesArePlottedPointForPoint)
{
    std::vector<float> trace(401);
    for (std::size_t i = 0; i < trace.size(); ++i) {
        trace[i] = (i % 2 == 0) ? -40.0f : -10.0f;
    }
    const auto p = polyline(trace, 800.0f);
    ASSERT_EQ(p.size(), 401u);
    EXPECT_FLOAT_EQ(p[1].x, 2.0f);
    EXPECT_FLOAT_EQ(p[1].y, -10.0f);
    EXPECT_FLOAT_EQ(p[400].x, 800.0f);
    EXPECT_FLOAT_EQ(p[400].y, -40.0f);

    // 400 samples are still smoothed.
    trace.resize(400);
    EXPECT_EQ(polyline(trace, 800.0f).size(), 4u * 399u + 1u);
}

} // namespace
} // namespace nolvo
