#include "model/HeatGridCounts.h"

#include <algorithm>
#include <cmath>

namespace nolvo {

bool HeatGridCounts::reshape(std::int32_t width, std::int32_t rows, float bottom, float top)
{
    rows = std::clamp<std::int32_t>(rows, 1, kMaxRows);
    width = std::max<std::int32_t>(width, 0);
    if (m_valid && m_width == width && m_rows == rows && m_bottom == bottom && m_top == top) {
        return false;
    }
    m_width = width;
    m_rows = rows;
    m_bottom = bottom;
    m_top = top;
    m_valid = true;
    m_counts.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows), 0);
    return true;
}

void HeatGridCounts::add(const float* sweep, int delta)
{
    if (!(m_top > m_bottom) || !std::isfinite(m_top - m_bottom)) {
        return; // no usable window: nothing can be placed
    }
    const float scale = static_cast<float>(m_rows - 1) / (m_top - m_bottom);
    const float offset = -m_bottom * scale;
    const float top = static_cast<float>(m_rows - 1);
    const auto step = static_cast<std::uint16_t>(delta);
    std::uint16_t* cells = m_counts.data();
    for (std::int32_t i = 0; i < m_width; ++i) {
        const float scaled = sweep[i] * scale + offset;
        if (scaled != scaled) {
            continue; // a NaN sample has no amplitude to count
        }
        // Clamp before converting; round halves away from zero as roundf does, without a libm
        // call in this loop (it runs twice per bin on every push).
        const float clamped = std::min(std::max(0.0f, scaled), top);
        auto row = static_cast<std::int32_t>(clamped);
        row += (clamped - static_cast<float>(row) >= 0.5f) ? 1 : 0;
        cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(i)] += step;
    }
}

} // namespace nolvo
