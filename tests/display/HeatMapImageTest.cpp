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

// RGBA of pixel (x, y) of an image.
std::vector<int> px(const std::uint8_t* image, int x, int y)
{
    const std::uint8_t* p = image + (static_cast<std::size_t>(y) * HeatMapImage::kWidth + static_cast<std::size_t>(x)) * 4;
    return {p[0], p[1], p[2], p[3]};
}

TEST(HeatMapImage, BuildsColourAndBlurredShadeFromOneGrid)
{
    HeatGrid grid;
    grid.width = 1;
    grid.height = 3;
    grid.cells = {0, 25, 0}; // one dense cell in the middle row
    grid.isNew = true;
    const std::vector<Rgb> table = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    HeatMapImage image;
    const HeatMapImage::Region region = image.update(grid, table, 0);
    EXPECT_EQ(region.x, 0);
    EXPECT_EQ(region.width, 1);
    EXPECT_EQ(region.height, 3);

    // Colour: row 2 (top) nothing at or above -> transparent black; rows 1 and 0 have 25 hits at
    // or above -> the last colour at alpha 0x55.
    EXPECT_EQ(px(image.colour(), 0, 2), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(px(image.colour(), 0, 1), (std::vector<int>{3, 3, 3, 0x55}));
    EXPECT_EQ(px(image.colour(), 0, 0), (std::vector<int>{3, 3, 3, 0x55}));
    EXPECT_EQ(grid.cells, (std::vector<std::uint16_t>{25, 25, 0}));
    // Shade before the blur: colour 3 and alpha 255 in row 1 only, colour 3 alpha 0 in row 0.
    // The blur gives each texel half of itself and an eighth of each neighbour in the texture;
    // beyond the texture's edge (left of column 0, below row 0) the edge texel counts again, as
    // the sampler clamps. Column 1 is outside the grid: empty.
    // Row 1: alpha (4 x 255 + 255 (left, itself) + 0 + 0 + 0 + 4) / 8 = 159.
    EXPECT_EQ(px(image.shade(), 0, 1), (std::vector<int>{2, 2, 2, 159}));
    // Row 0: alpha (0 + 0 + 0 + 255 (above) + 0 (below, itself) + 4) / 8 = 32.
    EXPECT_EQ(px(image.shade(), 0, 0)[3], 32);
    // Row 2: alpha (255 (below) + 4) / 8 = 32; colour (3 (below) + 4) / 8 rounds to 0.
    EXPECT_EQ(px(image.shade(), 0, 2), (std::vector<int>{0, 0, 0, 32}));
}

TEST(HeatMapImage, AnAlreadyAccumulatedGridIsNotAccumulatedTwice)
{
    HeatGrid grid;
    grid.width = 1;
    grid.height = 2;
    grid.cells = {3, 2};
    grid.accumulated = true;
    HeatMapImage image;
    image.update(grid, buildColorMap(4, 2), 4);
    EXPECT_EQ(grid.cells, (std::vector<std::uint16_t>{3, 2}));
    EXPECT_FALSE(grid.accumulated);
}

// A grid of the 2.4 GHz size with a few counts in every column, varied by `seed`.
HeatGrid noisyGrid(int seed)
{
    HeatGrid grid;
    grid.width = 256;
    grid.height = 256;
    grid.cells.assign(256 * 256, 0);
    for (int x = 0; x < 256; ++x) {
        for (int k = 0; k < 5; ++k) grid.cells[static_cast<std::size_t>(((x * 7 + k * 31 + seed) % 256) * 256 + x)] += 3;
    }
    return grid;
}

TEST(HeatMapImage, ChangedColumnsAloneAreRebuiltAndMatchAWholeRebuild)
{
    const std::vector<Rgb> table = buildColorMap(0, 256);
    const std::size_t bytes = static_cast<std::size_t>(HeatMapImage::kWidth) * HeatMapImage::kHeight * 4;
    const struct {
        const char* what;
        std::vector<int> columns; // columns whose counts change in the second grid
        int x, width;             // the region that must come back
    } cases[] = {
        {"nothing changed", {}, 0, 0},
        {"one column in the middle", {100}, 99, 3},
        {"two apart", {10, 20}, 9, 13},
        {"the first column", {0}, 0, 2},
        {"the last column", {255}, 254, 2},
    };
    for (const auto& c : cases) {
        HeatMapImage incremental;
        HeatGrid first = noisyGrid(0);
        incremental.update(first, table, 0);
        HeatGrid second = noisyGrid(0);
        for (int x : c.columns) second.cells[static_cast<std::size_t>(128 * 256 + x)] += 7;
        HeatGrid copy = second;
        const HeatMapImage::Region region = incremental.update(second, table, 0);
        EXPECT_EQ(region.x, c.x) << c.what;
        EXPECT_EQ(region.width, c.width) << c.what;

        HeatMapImage whole;
        whole.update(copy, table, 0);
        EXPECT_EQ(std::vector<std::uint8_t>(incremental.colour(), incremental.colour() + bytes),
                  std::vector<std::uint8_t>(whole.colour(), whole.colour() + bytes))
            << c.what;
        EXPECT_EQ(std::vector<std::uint8_t>(incremental.shade(), incremental.shade() + bytes),
                  std::vector<std::uint8_t>(whole.shade(), whole.shade() + bytes))
            << c.what;
    }
    // Another colour map redraws every column.
    HeatMapImage image;
    HeatGrid grid = noisyGrid(1);
    image.update(grid, table, 0);
    grid = noisyGrid(1);
    const HeatMapImage::Region region = image.update(grid, buildColorMap(1, 256), 1);
    EXPECT_EQ(region.x, 0);
    EXPECT_EQ(region.width, 256);
}

TEST(HeatMapImage, RowsInUseReachTwoRowsAboveTheHighestHit)
{
    // A 3-column, 10-row grid; each case puts hits at (column, row).
    const struct {
        std::vector<std::pair<int, int>> hits;
        int rows;
    } cases[] = {
        {{}, 0},                 // nothing to show
        {{{0, 0}}, 3},           // the hit's row, the shade's blur above, the row a filtered read blends with
        {{{1, 5}, {2, 2}}, 8},   // the highest hit of any column counts
        {{{2, 8}}, 10},          // never past the grid
    };
    for (const auto& c : cases) {
        HeatGrid grid;
        grid.width = 3;
        grid.height = 10;
        grid.cells.assign(30, 0);
        for (auto [x, y] : c.hits) grid.cells[static_cast<std::size_t>(y * 3 + x)] = 1;
        HeatMapImage image;
        image.update(grid, buildColorMap(0, 10), 0);
        EXPECT_EQ(image.rowsInUse(), c.rows) << c.hits.size() << " hits";
    }
    // The highest hit leaves with the next grid: the rows follow, though that column alone changed.
    HeatGrid grid;
    grid.width = 3;
    grid.height = 10;
    grid.cells.assign(30, 0);
    grid.cells[1 * 3 + 0] = 1;
    grid.cells[6 * 3 + 2] = 1;
    HeatMapImage image;
    HeatGrid copy = grid;
    image.update(copy, buildColorMap(0, 10), 0);
    EXPECT_EQ(image.rowsInUse(), 9);
    grid.cells[6 * 3 + 2] = 0;
    copy = grid;
    image.update(copy, buildColorMap(0, 10), 0);
    EXPECT_EQ(image.rowsInUse(), 4);
}

TEST(HeatMapImage, PackCopiesARegionRowByRow)
{
    HeatGrid grid;
    grid.width = 4;
    grid.height = 2;
    grid.cells = {1, 2, 3, 4, 0, 0, 0, 25};
    HeatMapImage image;
    image.update(grid, buildColorMap(4, 2), 4);
    std::vector<std::uint8_t> out;
    HeatMapImage::pack(image.colour(), {2, 2, 2}, out);
    ASSERT_EQ(out.size(), 16u);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            const std::vector<int> expected = px(image.colour(), 2 + x, y);
            for (int k = 0; k < 4; ++k) EXPECT_EQ(out[static_cast<std::size_t>((y * 2 + x) * 4 + k)], expected[static_cast<std::size_t>(k)]);
        }
    }
}

} // namespace
} // namespace nolvo
