// Access-point overlay arithmetic: outline placement and widths per band, mode and channel width,
// heights on the amplitude window, and the strength smoothing on an injected frame clock.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "display/AccessPointShape.h"
#include "model/AccessPoint.h"

namespace nolvo {
namespace {

// 1000-point layer: u = 10 points per MHz on 2.4 GHz (2400..2500), v = 1000/715 on 5 GHz.
constexpr float kWidth = 1000.0f;
constexpr float kU = 10.0f;
constexpr float kV = 1000.0f / 715.0f;

struct ShapeCase {
    const char* what;
    int band;
    std::uint8_t modes;
    int channel;
    int width;
    int secondary;
    int seg0;
    int seg1;
    bool drawn;
    float x, bottom, top;
    bool dome;
};

AccessPoint makeAp(const ShapeCase& c)
{
    AccessPoint ap;
    ap.band = c.band;
    ap.modes = c.modes;
    ap.channel = static_cast<std::uint16_t>(c.channel);
    ap.channelWidth = c.width;
    ap.secondaryCode = c.secondary;
    ap.alternate[0] = c.seg0;
    ap.alternate[1] = c.seg1;
    return ap;
}

constexpr std::uint8_t B = AccessPoint::kMode11b, G = AccessPoint::kMode11g, N = AccessPoint::kMode11n,
                       A = AccessPoint::kMode11a, AC = AccessPoint::kMode11ac;
constexpr int kAbove = AccessPoint::kSecondaryAbove, kBelow = AccessPoint::kSecondaryBelow;

TEST(AccessPointShape, TwoPointFourGigahertz)
{
    const ShapeCase cases[] = {
        // 2437 MHz is 37 MHz from the left edge; 22 MHz at the bottom, 20 at the top.
        {"g 20 MHz on 6", 0, G, 6, 20, 0, 0, 0, true, 37 * kU, 22 * kU, 20 * kU, false},
        {"n without width on 1", 0, N, 1, -1, 0, 0, 0, true, 12 * kU, 22 * kU, 20 * kU, false},
        {"b alone: dome", 0, B, 1, 20, 0, 0, 0, true, 12 * kU, 22 * kU, 20 * kU, true},
        {"b on 14 sits at 2487 MHz", 0, B, 14, 20, 0, 0, 0, true, 87 * kU, 22 * kU, 20 * kU, true},
        {"b+g is drawn as g", 0, B | G, 6, 20, 0, 0, 0, true, 37 * kU, 22 * kU, 20 * kU, false},
        {"no mode flags", 0, 0, 6, 20, 0, 0, 0, true, 37 * kU, 22 * kU, 20 * kU, false},
        {"g 10 MHz", 0, G, 6, 10, 0, 0, 0, true, 37 * kU, 10 * kU, 10 * kU, false},
        {"n 40 above on 3: centred on 5", 0, N, 3, 40, kAbove, 0, 0, true, 32 * kU, 44 * kU, 42 * kU, false},
        {"n 40 above on 10 stays", 0, N, 10, 40, kAbove, 0, 0, true, 57 * kU, 44 * kU, 42 * kU, false},
        {"n 40 below on 9: centred on 7", 0, N, 9, 40, kBelow, 0, 0, true, 42 * kU, 44 * kU, 42 * kU, false},
        {"n 40 below on 4 stays", 0, N, 4, 40, kBelow, 0, 0, true, 27 * kU, 44 * kU, 42 * kU, false},
        {"n 40 without side stays", 0, N, 6, 40, 0, 0, 0, true, 37 * kU, 44 * kU, 42 * kU, false},
        {"a flags on 2.4 GHz: as is", 0, A, 6, 40, kAbove, 0, 0, true, 37 * kU, 22 * kU, 20 * kU, false},
        {"ac wins over b", 0, AC | B, 6, 20, 0, 0, 0, true, 37 * kU, 22 * kU, 20 * kU, false},
        {"channel 0 is not drawn", 0, G, 0, 20, 0, 0, 0, false, 0, 0, 0, false},
        {"channel 15 is not drawn", 0, B, 15, 20, 0, 0, 0, false, 0, 0, 0, false},
        {"channel 255 is not drawn", 0, G, 255, 20, 0, 0, 0, false, 0, 0, 0, false},
        {"band 2 is not drawn", 2, G, 6, 20, 0, 0, 0, false, 0, 0, 0, false},
    };
    for (const ShapeCase& c : cases) {
        const std::optional<AccessPointShape> s = accessPointShape(makeAp(c), kWidth);
        ASSERT_EQ(s.has_value(), c.drawn) << c.what;
        if (!s) continue;
        EXPECT_NEAR(s->x, c.x, 1e-3f) << c.what;
        EXPECT_NEAR(s->bottomWidth, c.bottom, 1e-3f) << c.what;
        EXPECT_NEAR(s->topWidth, c.top, 1e-3f) << c.what;
        EXPECT_EQ(s->dome, c.dome) << c.what;
    }
}

TEST(AccessPointShape, FiveGigahertzWidthsAndSegments)
{
    const ShapeCase cases[] = {
        // Channel 36 is 5180 MHz, 35 MHz from 5145.
        {"36 at 20 MHz", 1, A, 36, 20, 0, 0, 0, true, 35 * kV, 20 * kV, 20 * kV, false},
        {"36 at 40 MHz above: the pair's centre, 38", 1, N, 36, 40, kAbove, 0, 0, true, 45 * kV, 40 * kV, 40 * kV, false},
        {"40 at 40 MHz below: 38", 1, N, 40, 40, kBelow, 0, 0, true, 45 * kV, 40 * kV, 40 * kV, false},
        {"38 is a 40 MHz centre itself", 1, N, 38, 40, kAbove, 0, 0, true, 45 * kV, 40 * kV, 40 * kV, false},
        {"40 MHz without side stays", 1, N, 44, 40, 0, 0, 0, true, 75 * kV, 40 * kV, 40 * kV, false},
        {"unset segments read as 255", 1, N, 36, 40, kAbove, 255, 255, true, 45 * kV, 40 * kV, 40 * kV, false},
        {"36 at 80 MHz through segment 0 = 42", 1, AC, 36, 40, kAbove, 42, 0, true, 65 * kV, 80 * kV, 80 * kV, false},
        {"42 is an 80 MHz centre itself", 1, AC, 42, 40, 0, 58, 0, true, 65 * kV, 80 * kV, 80 * kV, false},
        {"segment 0 on the 40 MHz grid, equal", 1, AC, 38, 40, 0, 38, 255, true, 45 * kV, 40 * kV, 40 * kV, false},
        {"both on the 40 MHz grid: between", 1, AC, 38, 40, 0, 46, 0, true, 65 * kV, 80 * kV, 80 * kV, false},
        {"segment 0 on no grid", 1, AC, 36, 40, 0, 40, 0, true, 35 * kV, 80 * kV, 80 * kV, false},
        {"segment 1 set: 20 MHz", 1, AC, 36, 40, 0, 42, 50, true, 35 * kV, 20 * kV, 20 * kV, false},
        {"width not reported: as 20", 1, A, 149, -1, 0, 0, 0, true, 600 * kV, 20 * kV, 20 * kV, false},
        {"b flag on 5 GHz: no dome", 1, B, 36, 20, 0, 0, 0, true, 35 * kV, 20 * kV, 20 * kV, false},
        {"80 MHz width value", 1, AC, 36, 80, 0, 42, 0, false, 0, 0, 0, false},
        {"160 MHz width value", 1, AC, 36, 160, 0, 50, 0, false, 0, 0, 0, false},
        {"channel 35", 1, A, 35, 20, 0, 0, 0, false, 0, 0, 0, false},
        {"channel 166", 1, A, 166, 20, 0, 0, 0, false, 0, 0, 0, false},
        {"channel 165", 1, A, 165, 20, 0, 0, 0, true, 680 * kV, 20 * kV, 20 * kV, false},
    };
    for (const ShapeCase& c : cases) {
        const std::optional<AccessPointShape> s = accessPointShape(makeAp(c), kWidth);
        ASSERT_EQ(s.has_value(), c.drawn) << c.what;
        if (!s) continue;
        EXPECT_NEAR(s->x, c.x, 1e-3f) << c.what;
        EXPECT_NEAR(s->bottomWidth, c.bottom, 1e-3f) << c.what;
        EXPECT_NEAR(s->topWidth, c.top, 1e-3f) << c.what;
        EXPECT_EQ(s->dome, c.dome) << c.what;
    }
}

TEST(AccessPointShape, ModeOrderAcNAGB)
{
    EXPECT_EQ(overlayMode(0x1F), AC);
    EXPECT_EQ(overlayMode(A | N | G | B), N);
    EXPECT_EQ(overlayMode(A | G | B), A);
    EXPECT_EQ(overlayMode(G | B), G);
    EXPECT_EQ(overlayMode(B), B);
    EXPECT_EQ(overlayMode(0), 0);
    EXPECT_EQ(overlayMode(0xE0), 0);
}

TEST(AccessPointShape, HeightOnTheAmplitudeWindow)
{
    const struct {
        float strength, bottom, top, expected;
    } cases[] = {
        {-10, -90, -10, 200},  // at the top
        {-5, -90, -10, 200},   // above: full height
        {-90, -90, -10, 0},    // at the bottom
        {-120, -90, -10, 0},   // below: flat
        {-50, -90, -10, 100},
        {-70, -110, -30, 100}, // another window
        {-50, -50, -50, 0},    // empty window
        {-50, -10, -90, 0},    // inverted window
        {std::numeric_limits<float>::quiet_NaN(), -90, -10, 0},
    };
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(strengthHeight(c.strength, c.bottom, c.top, 200.0f), c.expected) << c.strength;
    }
}

AccessPoint tracking(float shown, float received)
{
    AccessPoint ap;
    ap.displayFrom = ap.displayLevel = ap.displayTo = shown;
    ap.rssi = received;
    return ap;
}

TEST(StrengthSmoothing, RiseTakesThreeSecondsAtConstantSpeed)
{
    AccessPoint ap = tracking(-90.0f, -30.0f);
    const float expected[] = {-80, -70, -60, -50, -40, -30, -30, -30};
    for (float level : expected) {
        smoothStrength(ap, 0.5f);
        EXPECT_NEAR(ap.displayLevel, level, 1e-4f);
    }
    // 60 frames a second: done after 180 frames, never past the received strength.
    ap = tracking(-90.0f, -30.0f);
    for (int frame = 0; frame < 180; ++frame) {
        smoothStrength(ap, 1.0f / 60.0f);
        ASSERT_LE(ap.displayLevel, -30.0f);
    }
    EXPECT_NEAR(ap.displayLevel, -30.0f, 0.01f);
    for (int frame = 0; frame < 5; ++frame) smoothStrength(ap, 1.0f / 60.0f);
    EXPECT_EQ(ap.displayLevel, -30.0f);
}

TEST(StrengthSmoothing, FallEasesOutAndNeverUndershoots)
{
    AccessPoint ap = tracking(-30.0f, -90.0f);
    smoothStrength(ap, 0.5f);
    EXPECT_NEAR(ap.displayLevel, -40.0f, 1e-4f); // a sixth of the 60 dB gap
    smoothStrength(ap, 0.5f);
    EXPECT_NEAR(ap.displayLevel, -40.0f - 50.0f / 6.0f, 1e-3f); // a sixth of what is left
    float previous = ap.displayLevel;
    for (int frame = 0; frame < 200; ++frame) {
        smoothStrength(ap, 0.5f);
        ASSERT_LE(ap.displayLevel, previous);
        ASSERT_GE(ap.displayLevel, -90.0f);
        previous = ap.displayLevel;
    }
    EXPECT_EQ(ap.displayLevel, -90.0f) << "settles on the received strength";
}

TEST(StrengthSmoothing, LongOrEmptyFramesStopAtTheReceivedStrength)
{
    // A minimised window's 100-second frame: one step, landing on the received strength.
    for (float from : {-30.0f, -90.0f}) {
        const float to = from == -30.0f ? -90.0f : -30.0f;
        AccessPoint ap = tracking(from, to);
        smoothStrength(ap, 100.0f);
        EXPECT_EQ(ap.displayLevel, to) << from;
        smoothStrength(ap, 100.0f);
        EXPECT_EQ(ap.displayLevel, to) << from << ": it stays";
    }
    // A frame time of 0 or less takes no step (and returns).
    for (float dt : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()}) {
        AccessPoint ap = tracking(-60.0f, -20.0f);
        smoothStrength(ap, dt);
        EXPECT_EQ(ap.displayLevel, -60.0f) << dt;
        EXPECT_EQ(ap.displayTo, -20.0f) << "the new target is taken all the same";
    }
    // A new strength mid-rise restarts the ramp from the level shown.
    AccessPoint ap = tracking(-90.0f, -30.0f);
    smoothStrength(ap, 1.5f);
    EXPECT_NEAR(ap.displayLevel, -60.0f, 1e-4f);
    ap.rssi = -40.0f;
    smoothStrength(ap, 1.5f);
    EXPECT_NEAR(ap.displayLevel, -50.0f, 1e-4f); // half of the 20 dB from -60
    EXPECT_EQ(ap.displayFrom, -60.0f);
}

} // namespace
} // namespace nolvo
