#include "display/HeatMapImage.h"

#include <algorithm>

namespace nolvo {

std::uint8_t heatShadeAlpha(std::uint32_t count)
{
    if (count == 0) return 0;
    if (count >= static_cast<std::uint32_t>(kHeatSaturation)) return 255;
    const float unit = (static_cast<float>(count - 1) * 0.65f) / 19.0f + 0.35f;
    return static_cast<std::uint8_t>(unit * 255.0f);
}

void accumulateHeatGrid(std::vector<std::uint16_t>& cells, int width, int height)
{
    if (width <= 0 || height <= 0 || cells.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return;
    }
    for (int x = 0; x < width; ++x) {
        std::uint32_t total = 0;
        for (int row = height - 1; row >= 0; --row) {
            std::uint16_t& cell = cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
            total = std::min<std::uint32_t>(total + cell, 0xFFFFu);
            cell = static_cast<std::uint16_t>(total);
        }
    }
}

int heatColorIndex(std::uint32_t count, int n)
{
    if (n <= 0) return 0;
    if (count >= static_cast<std::uint32_t>(kHeatSaturation)) return n - 1;
    const int step = (n - 1) / 19;
    return std::min(n - 1, step * static_cast<int>(count - 1));
}

void buildHeatMapPixels(HeatGrid& grid, const std::vector<Rgb>& table, std::uint8_t* colour, std::uint8_t* shade)
{
    const std::size_t cellsCount = static_cast<std::size_t>(grid.width) * static_cast<std::size_t>(grid.height);
    if (grid.width <= 0 || grid.height <= 0 || grid.cells.size() < cellsCount || table.empty()) return;
    for (std::size_t c = 0; c < cellsCount; ++c) shade[c * 4 + 3] = heatShadeAlpha(grid.cells[c]);
    if (grid.accumulated) {
        grid.accumulated = false;
    } else {
        accumulateHeatGrid(grid.cells, grid.width, grid.height);
    }
    const int n = static_cast<int>(table.size());
    for (std::size_t c = 0; c < cellsCount; ++c) {
        std::uint8_t* cp = colour + c * 4;
        std::uint8_t* sp = shade + c * 4;
        const std::uint32_t count = grid.cells[c];
        if (count == 0) {
            cp[0] = cp[1] = cp[2] = cp[3] = 0;
            sp[0] = sp[1] = sp[2] = 0;
            continue;
        }
        const Rgb rgb = table[static_cast<std::size_t>(heatColorIndex(count, n))];
        cp[0] = sp[0] = rgb.r;
        cp[1] = sp[1] = rgb.g;
        cp[2] = sp[2] = rgb.b;
        cp[3] = 0x55;
    }
}

} // namespace nolvo
