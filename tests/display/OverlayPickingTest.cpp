#include <cmath>

#include <gtest/gtest.h>

#include "display/OverlayPicking.h"

namespace nolvo {
namespace {

OverlayOutline outline(std::uint8_t id, float x, float bottom, float top, float height, float rssi, bool dome = false)
{
    OverlayOutline o;
    o.bssid = {0x02, 0, 0, 0, 0, id};
    o.shape = {x, bottom, top, dome};
    o.height = height;
    o.rssi = rssi;
    return o;
}

TEST(OverlayPicking, TheStrongestOutlineUnderThePointerWins)
{
    // Three overlapping channels: a weak wide one, a strong narrow one inside it, and a dome.
    const std::vector<OverlayOutline> outlines = {
        outline(1, 100, 88, 80, 120, -70),      // trapezoid x 56..144 at the base, 60..140 at the top
        outline(2, 110, 40, 40, 60, -40),       // x 90..130, up to 60
        outline(3, 200, 80, 80, 100, -55, true), // dome: radius 40, height 100
        outline(4, 300, 80, 80, 0, -95),        // below the window: flat, still hit on its base
    };
    struct Case {
        float x, y;
        int expected;
        const char* why;
    } cases[] = {
        {110, 30, 1, "inside both: the stronger narrow one"},
        {110, 90, 0, "above the strong one, inside the weak one"},
        {58, 5, 0, "near the base corner of the sloped side"},
        {55, 115, -1, "outside the slope near the top"},
        {200, 99, 2, "top of the dome"},
        {236, 80, -1, "outside the dome's curve at that height"},
        {236, 10, 2, "inside the dome near its base"},
        {300, 2, 3, "a flat outline is hit along its base"},
        {300, 20, -1, "but not above it"},
        {500, 10, -1, "nothing there"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pickOutline(outlines, c.x, c.y, 3.0f), c.expected) << c.why;
    }
}

TEST(OverlayPicking, ANotANumberLevelNeverBeatsANumber)
{
    const std::vector<OverlayOutline> outlines = {outline(1, 100, 40, 40, 50, NAN), outline(2, 100, 40, 40, 50, -80)};
    EXPECT_EQ(pickOutline(outlines, 100, 10, 0), 1);
}

TEST(OverlayPicking, TabGoesLeftToRightAndWrapsBothWays)
{
    const std::vector<OverlayOutline> outlines = {
        outline(1, 300, 40, 40, 50, -60),
        outline(2, 100, 40, 40, 50, -70),
        outline(3, 100, 40, 40, 50, -50), // same centre as 2, stronger: first
        outline(4, 200, 40, 40, 50, -60),
    };
    // Tab order: 3, 2, 4, 1 (indices 2, 1, 3, 0).
    EXPECT_EQ(cycleOutline(outlines, nullptr, 1), 2);
    EXPECT_EQ(cycleOutline(outlines, nullptr, -1), 0);
    const int forward[][2] = {{2, 1}, {1, 3}, {3, 0}, {0, 2}};
    for (const auto& step : forward) {
        EXPECT_EQ(cycleOutline(outlines, &outlines[static_cast<std::size_t>(step[0])].bssid, 1), step[1]);
        EXPECT_EQ(cycleOutline(outlines, &outlines[static_cast<std::size_t>(step[1])].bssid, -1), step[0]);
    }
    const Bssid gone = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(cycleOutline(outlines, &gone, 1), 2);
    EXPECT_EQ(cycleOutline({}, nullptr, 1), -1);
}

} // namespace
} // namespace nolvo
