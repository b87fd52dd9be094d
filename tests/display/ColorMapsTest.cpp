#include <gtest/gtest.h>

#include "display/ColorMaps.h"

namespace nolvo {
namespace {

struct HsvCase {
    float hue, saturation, value;
    Rgb expected;
};

TEST(ColorMaps, HsvConversionCoversEverySextantAndTheEdges)
{
    const HsvCase cases[] = {
        {0.0f, 1.0f, 1.0f, {255, 0, 0}},      // red
        {30.0f, 1.0f, 1.0f, {255, 127, 0}},   // x = 0.5 truncates to 127
        {120.0f, 1.0f, 1.0f, {0, 255, 0}},    // green
        {180.0f, 1.0f, 1.0f, {0, 255, 255}},  // cyan
        {240.0f, 1.0f, 0.5f, {0, 0, 127}},    // half-bright blue
        {300.0f, 1.0f, 1.0f, {255, 0, 255}},  // magenta
        {360.0f, 1.0f, 1.0f, {255, 0, 0}},    // 360 is read as 359.99, still red
        {90.0f, 0.0f, 0.6f, {153, 153, 153}}, // no saturation: grey of the value
        {400.0f, 1.0f, 1.0f, {0, 0, 0}},      // outside the circle: black
    };
    for (const HsvCase& c : cases) {
        EXPECT_EQ(hsvToRgb(c.hue, c.saturation, c.value), c.expected) << "hue " << c.hue;
    }
}

TEST(ColorMaps, RainbowRunsFromMagentaToRed)
{
    const auto table = buildColorMap(0, 256);
    ASSERT_EQ(table.size(), 256u);
    EXPECT_EQ(table[0], (Rgb{255, 0, 255}));
    EXPECT_EQ(table[102], (Rgb{0, 255, 255})); // hue 300 - 120 = 180
    EXPECT_EQ(table[255], (Rgb{255, 0, 0}));
}

TEST(ColorMaps, FireHasThreeSegments)
{
    const auto table = buildColorMap(1, 256); // entry i has v = i
    EXPECT_EQ(table[0], (Rgb{85, 0, 0}));
    EXPECT_EQ(table[85], (Rgb{255, 0, 0}));
    EXPECT_EQ(table[86], (Rgb{255, 3, 0}));   // green starts: 255 / 85
    EXPECT_EQ(table[170], (Rgb{255, 255, 0}));
    EXPECT_EQ(table[171], (Rgb{255, 255, 3})); // blue starts
    EXPECT_EQ(table[255], (Rgb{255, 255, 255}));
}

TEST(ColorMaps, XRayGreenAndGreyEndpoints)
{
    const auto xray = buildColorMap(2, 20);
    EXPECT_EQ(xray.front(), (Rgb{86, 93, 84}));
    EXPECT_EQ(xray.back(), (Rgb{174, 246, 235}));
    const auto green = buildColorMap(3, 20);
    EXPECT_EQ(green.front(), (Rgb{0, 50, 0}));
    EXPECT_EQ(green.back(), (Rgb{0, 255, 0}));
    const auto grey = buildColorMap(9, 3); // v = 0, 127, 255
    EXPECT_EQ(grey[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(grey[1], (Rgb{127, 127, 127}));
    EXPECT_EQ(grey[2], (Rgb{255, 255, 255}));
}

TEST(ColorMaps, DegenerateSizesDoNotDivideByZero)
{
    EXPECT_TRUE(buildColorMap(0, 0).empty());
    EXPECT_TRUE(buildColorMap(1, -3).empty());
    const auto one = buildColorMap(0, 1);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], (Rgb{255, 0, 255})); // the first colour of the rainbow
}

TEST(ColorMaps, WaterfallRainbowRunsFromBlueToRed)
{
    const auto table = buildWaterfallColorTable(0);
    ASSERT_EQ(table.size(), 256u);
    // Hue 255 degrees: full blue with a quarter of red.
    EXPECT_EQ(table[0], (Rgb{63, 0, 255}));
    EXPECT_EQ(table[255], (Rgb{255, 0, 0}));
    // The other indices share the heat map's builders.
    EXPECT_EQ(buildWaterfallColorTable(1), buildColorMap(1, 256));
    EXPECT_EQ(buildWaterfallColorTable(7), buildColorMap(7, 256));
}

} // namespace
} // namespace nolvo
