#pragma once
// The heat map's two pixel images built from a band's density grid: a colour image (how many
// sweeps reached at or above each amplitude, through a colour table) and a shade image (how
// dense each cell itself is, as alpha). Pure; the caller holds dataLock for the grid.

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

// Writes width x height RGBA pixels (tightly packed rows, row 0 first) of both images from the
// grid, accumulating it in place unless `grid.accumulated` is set (which is then cleared).
// `colour` and `shade` must hold width x height x 4 bytes; `table` has grid.height entries.
void buildHeatMapPixels(HeatGrid& grid, const std::vector<Rgb>& table, std::uint8_t* colour, std::uint8_t* shade);

} // namespace nolvo
