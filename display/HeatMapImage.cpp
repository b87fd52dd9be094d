#include "display/HeatMapImage.h"

#include <algorithm>
#include <cstring>

namespace nolvo {

namespace {
constexpr std::size_t kPixels = static_cast<std::size_t>(HeatMapImage::kWidth) * HeatMapImage::kHeight;

std::size_t at(int x, int y)
{
    return (static_cast<std::size_t>(y) * HeatMapImage::kWidth + static_cast<std::size_t>(x)) * 4;
}
} // namespace

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
    // Row by row from the top, each column's running total beside it: the memory is walked in
    // order.
    std::vector<std::uint32_t> totals(static_cast<std::size_t>(width), 0);
    for (int row = height - 1; row >= 0; --row) {
        std::uint16_t* line = &cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(width)];
        for (std::size_t x = 0; x < totals.size(); ++x) {
            totals[x] = std::min<std::uint32_t>(totals[x] + line[x], 0xFFFFu);
            line[x] = static_cast<std::uint16_t>(totals[x]);
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

HeatMapImage::HeatMapImage() : m_colour(kPixels * 4, 0), m_rawShade(kPixels * 4, 0), m_shade(kPixels * 4, 0) {}

bool HeatMapImage::fits(const HeatGrid& grid)
{
    return grid.width > 0 && grid.height > 0 && grid.width <= kWidth && grid.height <= kHeight &&
           grid.cells.size() >= static_cast<std::size_t>(grid.width) * static_cast<std::size_t>(grid.height);
}

HeatMapImage::Region HeatMapImage::clear()
{
    std::fill(m_colour.begin(), m_colour.end(), 0);
    std::fill(m_rawShade.begin(), m_rawShade.end(), 0);
    std::fill(m_shade.begin(), m_shade.end(), 0);
    m_counts.clear();
    m_topHit.clear();
    m_width = m_height = 0;
    m_colorMap = -1;
    return {0, kWidth, kHeight};
}

void HeatMapImage::shadeColumns(const HeatGrid& grid, const std::vector<std::uint8_t>& changed, int x0, int x1)
{
    std::uint8_t alphaByCount[kHeatSaturation + 1];
    for (int c = 0; c <= kHeatSaturation; ++c) alphaByCount[c] = heatShadeAlpha(static_cast<std::uint32_t>(c));
    for (int y = 0; y < grid.height; ++y) {
        const std::uint16_t* line = &grid.cells[static_cast<std::size_t>(y) * static_cast<std::size_t>(grid.width)];
        std::uint8_t* out = &m_rawShade[at(0, y)];
        for (int x = x0; x < x1; ++x) {
            if (!changed[static_cast<std::size_t>(x)]) continue;
            out[static_cast<std::size_t>(x) * 4 + 3] = alphaByCount[std::min<int>(line[x], kHeatSaturation)];
            if (line[x] != 0) m_topHit[static_cast<std::size_t>(x)] = y; // rows rise with y
        }
    }
}

int HeatMapImage::rowsInUse() const
{
    const int top = m_topHit.empty() ? -1 : *std::max_element(m_topHit.begin(), m_topHit.end());
    if (top < 0) return 0;
    // The hit's own row, the blurred shade one row above, and the row beyond that a filtered
    // read of the top row's upper half blends with.
    return std::min(m_height, top + 3);
}

void HeatMapImage::colourColumns(const HeatGrid& grid, const std::vector<Rgb>& table, const std::vector<std::uint8_t>& changed,
                                 int x0, int x1)
{
    // The colour of each count up to saturation, looked up once per grid rather than per cell.
    const int n = static_cast<int>(table.size());
    Rgb byCount[kHeatSaturation + 1];
    for (int c = 1; c <= kHeatSaturation; ++c) byCount[c] = table[static_cast<std::size_t>(heatColorIndex(static_cast<std::uint32_t>(c), n))];
    for (int y = 0; y < grid.height; ++y) {
        const std::uint16_t* line = &grid.cells[static_cast<std::size_t>(y) * static_cast<std::size_t>(grid.width)];
        std::uint8_t* colourRow = &m_colour[at(0, y)];
        std::uint8_t* shadeRow = &m_rawShade[at(0, y)];
        for (int x = x0; x < x1; ++x) {
            if (!changed[static_cast<std::size_t>(x)]) continue;
            std::uint8_t* cp = colourRow + static_cast<std::size_t>(x) * 4;
            std::uint8_t* sp = shadeRow + static_cast<std::size_t>(x) * 4;
            const std::uint32_t count = line[x];
            if (count == 0) {
                cp[0] = cp[1] = cp[2] = cp[3] = 0;
                sp[0] = sp[1] = sp[2] = 0;
                continue;
            }
            const Rgb rgb = byCount[std::min<std::uint32_t>(count, kHeatSaturation)];
            cp[0] = sp[0] = rgb.r;
            cp[1] = sp[1] = rgb.g;
            cp[2] = sp[2] = rgb.b;
            cp[3] = 0x55;
        }
    }
}

void HeatMapImage::blur(int x0, int x1, int rows)
{
    // Half the texel itself and an eighth of each of its four neighbours, the neighbours of an edge
    // texel clamped to the edge as the texture's sampler clamps them. Blurring here once per new
    // grid spares the rasteriser five filtered reads per screen pixel on every frame. Byte by byte
    // along a row (the four channels blur alike), so the loop runs over contiguous memory.
    constexpr std::ptrdiff_t kPixel = 4;
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* c = &m_rawShade[at(0, y)];
        const std::uint8_t* u = &m_rawShade[at(0, std::min(y + 1, kHeight - 1))];
        const std::uint8_t* d = &m_rawShade[at(0, std::max(y - 1, 0))];
        std::uint8_t* out = &m_shade[at(0, y)];
        const auto blurAt = [&](std::ptrdiff_t i, std::ptrdiff_t left, std::ptrdiff_t right) {
            out[i] = static_cast<std::uint8_t>((4u * c[i] + c[left] + c[right] + u[i] + d[i] + 4u) >> 3);
        };
        std::ptrdiff_t begin = x0 * kPixel;
        std::ptrdiff_t end = x1 * kPixel;
        if (x0 == 0) {
            for (std::ptrdiff_t i = 0; i < kPixel; ++i) blurAt(i, i, i + kPixel);
            begin = kPixel;
        }
        if (x1 == kWidth) {
            for (std::ptrdiff_t i = end - kPixel; i < end; ++i) blurAt(i, i - kPixel, i);
            end -= kPixel;
        }
        for (std::ptrdiff_t i = begin; i < end; ++i) {
            out[i] = static_cast<std::uint8_t>((4u * c[i] + c[i - kPixel] + c[i + kPixel] + u[i] + d[i] + 4u) >> 3);
        }
    }
}

HeatMapImage::Region HeatMapImage::update(HeatGrid& grid, const std::vector<Rgb>& table, int colorMap)
{
    if (!fits(grid) || table.empty()) return {};
    const int w = grid.width;
    const int h = grid.height;
    const std::size_t cells = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    const bool whole = w != m_width || h != m_height || colorMap != m_colorMap || grid.accumulated != m_accumulated ||
                       m_counts.size() != cells;
    // Which columns hold other counts than last time (all of them for a new shape or colour map).
    m_changed.assign(static_cast<std::size_t>(w), whole ? 1 : 0);
    if (!whole) {
        for (int y = 0; y < h; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
            const std::uint16_t* now = &grid.cells[row];
            const std::uint16_t* before = &m_counts[row];
            for (std::size_t x = 0; x < static_cast<std::size_t>(w); ++x) m_changed[x] |= now[x] != before[x] ? 1 : 0;
        }
    }
    m_width = w;
    m_height = h;
    m_colorMap = colorMap;
    m_accumulated = grid.accumulated;
    m_counts.assign(grid.cells.begin(), grid.cells.begin() + static_cast<std::ptrdiff_t>(cells));
    if (whole) m_topHit.assign(static_cast<std::size_t>(w), -1);
    for (std::size_t x = 0; x < m_topHit.size(); ++x) {
        if (m_changed[x]) m_topHit[x] = -1;
    }

    const auto first = std::find(m_changed.begin(), m_changed.end(), 1);
    const int firstColumn = static_cast<int>(first - m_changed.begin());
    const int lastColumn = w - 1 - static_cast<int>(std::find(m_changed.rbegin(), m_changed.rend(), 1) - m_changed.rbegin());
    if (first != m_changed.end()) shadeColumns(grid, m_changed, firstColumn, lastColumn + 1);
    if (grid.accumulated) {
        grid.accumulated = false;
    } else {
        accumulateHeatGrid(grid.cells, w, h);
    }
    if (first == m_changed.end()) return {};
    colourColumns(grid, table, m_changed, firstColumn, lastColumn + 1);
    const int x0 = std::max(0, firstColumn - 1);
    const int x1 = std::min(w, lastColumn + 2);
    blur(x0, x1, h);
    return {x0, x1 - x0, h};
}

void HeatMapImage::pack(const std::uint8_t* image, const Region& region, std::vector<std::uint8_t>& out)
{
    const std::size_t rowBytes = static_cast<std::size_t>(region.width) * 4;
    out.resize(rowBytes * static_cast<std::size_t>(region.height));
    for (int y = 0; y < region.height; ++y) {
        std::memcpy(&out[static_cast<std::size_t>(y) * rowBytes], image + at(region.x, y), rowBytes);
    }
}

} // namespace nolvo
