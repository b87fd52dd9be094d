#include <gtest/gtest.h>

#include <vector>

#include "display/HeatMapImage.h"

namespace nolvo {
namespace {

TEST(HeatMapImage, ShadeAlphaSteps)
{
    const struct {
        std::uint32_t count;
        std::uint8_t alpha;
    } cases[] = {
        {0, 0},     // empty cell
        {1, 89},    // 0.35 x 255 = 89.25
        {10, 167},  // (9 x 0.65 / 19 + 0.35) x 255 = 167.8
        {19, 246},  // (18 x 0.65 / 19 + 0.35) x 255 = 246.3
        {20, 255},  // saturated
        {65535, 255},
    };
    for (const auto& c : cases) EXPECT_EQ(heatShadeAlpha(c.count), c.alpha) << c.count;
}

TEST(HeatMapImage, AccumulatesEachColumnFromTheTopDown)
{
    // 2 columns x 3 rows, row-major, row 0 at the bottom.
    std::vector<std::uint16_t> cells = {
        1, 0, // row 0
        0, 4, // row 1
        2, 1, // row 2 (top)
    };
    accumulateHeatGrid(cells, 2, 3);
    EXPECT_EQ(cells, (std::vector<std::uint16_t>{3, 5, 2, 5, 2, 1}));
}

TEST(HeatMapImage, AccumulationSaturatesInsteadOfWrapping)
{
    std::vector<std::uint16_t> cells = {60000, 60000};
    accumulateHeatGrid(cells, 1, 2);
    EXPECT_EQ(cells[0], 65535);
    EXPECT_EQ(cells[1], 60000);
}

TEST(HeatMapImage, ColourIndexStepsAndSaturatesAtTwenty)
{
    EXPECT_EQ(heatColorIndex(1, 256), 0);
    EXPECT_EQ(heatColorIndex(2, 256), 13); // (255 / 19) x 1
    EXPECT_EQ(heatColorIndex(19, 256), 234);
    EXPECT_EQ(heatColorIndex(20, 256), 255);
    EXPECT_EQ(heatColorIndex(500, 256), 255);
    EXPECT_EQ(heatColorIndex(5, 10), 0); // a short table: (9 / 19) = 0 steps
    EXPECT_EQ(heatColorIndex(25, 10), 9);
}

TEST(HeatMapImage, BuildsColourAndShadeFromOneGrid)
{
    HeatGrid grid;
    grid.width = 1;
    grid.height = 3;
    grid.cells = {0, 25, 0}; // one dense cell in the middle row
    grid.isNew = true;
    const std::vector<Rgb> table = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    std::vector<std::uint8_t> colour(12, 0xEE), shade(12, 0xEE);
    buildHeatMapPixels(grid, table, colour.data(), shade.data());

    // Row 2 (top): nothing at or above -> transparent black in both.
    EXPECT_EQ(colour[8 + 3], 0);
    EXPECT_EQ(shade[8 + 0], 0);
    EXPECT_EQ(shade[8 + 3], 0);
    // Row 1: 25 hits -> last colour, colour alpha 0x55, shade alpha saturated.
    EXPECT_EQ(colour[4 + 0], 3);
    EXPECT_EQ(colour[4 + 3], 0x55);
    EXPECT_EQ(shade[4 + 0], 3);
    EXPECT_EQ(shade[4 + 3], 255);
    // Row 0: no hit of its own but 25 at or above -> coloured, shade alpha 0.
    EXPECT_EQ(colour[0], 3);
    EXPECT_EQ(colour[3], 0x55);
    EXPECT_EQ(shade[0], 3);
    EXPECT_EQ(shade[3], 0);
    EXPECT_EQ(grid.cells, (std::vector<std::uint16_t>{25, 25, 0}));
}

TEST(HeatMapImage, AnAlreadyAccumulatedGridIsNotAccumulatedTwice)
{
    HeatGrid grid;
    grid.width = 1;
    grid.height = 2;
    grid.cells = {3, 2};
    grid.accumulated = true;
    const std::vector<Rgb> table = buildColorMap(4, 2);
    std::vector<std::uint8_t> colour(8), shade(8);
    buildHeatMapPixels(grid, table, colour.data(), shade.data());
    EXPECT_EQ(grid.cells, (std::vector<std::uint16_t>{3, 2}));
    EXPECT_FALSE(grid.accumulated);
}

} // namespace
} // namespace nolvo
