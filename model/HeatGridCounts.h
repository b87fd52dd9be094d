#pragma once
// The raw counts behind a band's heat-map grid, kept up to date incrementally: each push adds the
// new sweep and removes the one leaving the 50-sweep window instead of recounting 50 sweeps. The
// published grid is a copy, because the display accumulates it in place. Guarded by dataLock.

#include <cstdint>
#include <vector>

namespace nolvo {

class HeatGridCounts {
public:
    // Rows are bounded so that a damaged value can never ask for a huge grid.
    static constexpr std::int32_t kMaxRows = 1024;

    // Sets the grid's shape and amplitude window. Returns true when they changed (or the counts
    // were invalidated): the counts are then zeroed and the caller recounts; false keeps them.
    bool reshape(std::int32_t width, std::int32_t rows, float bottom, float top);
    void invalidate() { m_valid = false; }

    // Adds (delta +1) or removes (-1) one sweep of `width()` values. A value maps to row
    // round((v - bottom) * (rows - 1) / (top - bottom)); at or above the top it counts in the top
    // row, below the bottom in row 0; NaN counts nowhere. Without a usable window nothing counts.
    void add(const float* sweep, int delta);

    const std::vector<std::uint16_t>& counts() const { return m_counts; }
    std::int32_t width() const { return m_width; }
    std::int32_t rows() const { return m_rows; }

private:
    std::vector<std::uint16_t> m_counts; // row-major: row * width + bin
    std::int32_t m_width = 0;
    std::int32_t m_rows = 0;
    float m_bottom = 0.0f;
    float m_top = 0.0f;
    bool m_valid = false;
};

} // namespace nolvo
