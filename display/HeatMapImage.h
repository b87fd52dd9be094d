#pragma once
// The heat map's two pixel images built from a band's density grid: a colour image (how many
// sweeps reached at or above each amplitude, through a colour table) and a shade image (how
// dense each cell itself is, as alpha, softened by a small cross-shaped blur). The images are kept
// in the layout of the textures that show them, from one grid to the next, so a new grid rewrites
// only the columns whose counts changed and the caller uploads just that part. Not thread-safe;
// the caller holds dataLock for the grid.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "display/ColorMaps.h"
#include "model/MeasurementStores.h"

namespace nolvo {

// Counts at or above this saturate the heat map.
constexpr int kHeatSaturation = 20;

// Alpha of a shade pixel for a cell count: 0, a ramp from 89 to 255, 255 from 20 on.
std::uint8_t heatShadeAlpha(std::uint32_t count);

// For each column, from the top row down, adds the running total of the cells above, so a cell
// holds the hits at or above its amplitude. Saturates at 65535.
void accumulateHeatGrid(std::vector<std::uint16_t>& cells, int width, int height);

// The colour-table entry of an accumulated count (count >= 1) for a table of n entries.
int heatColorIndex(std::uint32_t count, int n);

class HeatMapImage {
public:
    // Image size in pixels: the largest grid (512 bins x 256 rows).
    static constexpr int kWidth = 512;
    static constexpr int kHeight = 256;

    // A block of pixels to upload: columns [x, x + width), rows [0, height).
    struct Region {
        int x = 0;
        int width = 0;
        int height = 0;
        bool empty() const { return width <= 0 || height <= 0; }
    };

    HeatMapImage();

    // Whether a grid fits the images (a larger one is not shown; its caller keeps the old image).
    static bool fits(const HeatGrid& grid);

    // Takes a grid that fits: the shade from its counts as they stand, then the colour from the
    // counts accumulated in place (unless `grid.accumulated` is set, which is then cleared), with
    // `table` (grid.height entries) built for colour map `colorMap`. Returns the pixels that
    // changed in either image: every column of the grid when its size, the colour map or the
    // accumulated flag changed, else the columns whose counts changed and their neighbours
    // (the blur reaches one column either side); empty when nothing changed.
    Region update(HeatGrid& grid, const std::vector<Rgb>& table, int colorMap);
    // Zeroes both images (an empty grid); returns the whole image.
    Region clear();

    // kWidth x kHeight RGBA pixels, row 0 first.
    const std::uint8_t* colour() const { return m_colour.data(); }
    const std::uint8_t* shade() const { return m_shade.data(); }
    // Rows from row 0 up that can show anything: the grid's highest hit, the row its blurred shade
    // reaches above it and the row a filtered read blends with; 0 for an empty grid. A quad drawn
    // over these rows alone shows the same picture as one over the whole grid.
    int rowsInUse() const;

    // The region of an image, tightly packed for an upload; `out` is reused between calls.
    static void pack(const std::uint8_t* image, const Region& region, std::vector<std::uint8_t>& out);

private:
    // The shade alpha (from the counts as they stand) and then the colours (from the accumulated
    // counts) of the changed columns among [x0, x1); the shade before its blur.
    void shadeColumns(const HeatGrid& grid, const std::vector<std::uint8_t>& changed, int x0, int x1);
    void colourColumns(const HeatGrid& grid, const std::vector<Rgb>& table, const std::vector<std::uint8_t>& changed, int x0,
                       int x1);
    // The blurred shade of columns [x0, x1), rows [0, rows).
    void blur(int x0, int x1, int rows);

    std::vector<std::uint8_t> m_colour;
    std::vector<std::uint8_t> m_rawShade;
    std::vector<std::uint8_t> m_shade;
    // The previous grid's counts as they stood, its size, colour map and accumulated flag.
    std::vector<std::uint16_t> m_counts;
    std::vector<std::uint8_t> m_changed; // per column of the grid being taken
    std::vector<int> m_topHit;           // per column: its highest row with a hit, -1 for none
    int m_width = 0;
    int m_height = 0;
    int m_colorMap = -1;
    bool m_accumulated = false;
};

} // namespace nolvo
