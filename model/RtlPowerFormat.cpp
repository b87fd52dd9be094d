#include "model/RtlPowerFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/DataLogFormat.h"

namespace nolvo {

std::optional<RtlPowerAxis> rtlPowerAxis(int modelCode, int band)
{
    // The same fixed frequencies as the CSV's frequency line.
    const int bins = dataLogFrequencyCount(modelCode, band);
    if (band == 1) {
        return RtlPowerAxis{5145.0e6, 715.0e6 / 511.0, bins};
    }
    if (bins == 96) {
        return RtlPowerAxis{2400.0e6, 1.0e6, bins};
    }
    if (bins == 245) {
        return RtlPowerAxis{2400.0e6, 100.0e6 / 255.0, bins};
    }
    return std::nullopt;
}

std::string rtlPowerRow(std::time_t wallClock, int modelCode, int band, const float* values, int count)
{
    const std::optional<RtlPowerAxis> axis = rtlPowerAxis(modelCode, band);
    const int n = (values == nullptr || count <= 0 || !axis) ? 0 : std::min(count, axis->bins);
    if (n == 0) {
        return {};
    }
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(values[i])) {
            return {};
        }
    }
    std::tm parts{};
    if (localtime_r(&wallClock, &parts) == nullptr) {
        parts = std::tm{};
        parts.tm_mday = 1;
    }
    // Readers take the step as printed (two decimals) and walk low + i x step while below high:
    // high comes from the printed step so that the walk gives exactly n columns.
    const double printedStep = std::round(axis->stepHz * 100.0) / 100.0;
    const long long low = std::llround(axis->firstHz);
    const long long high = static_cast<long long>(std::floor(axis->firstHz + printedStep * n));
    char cell[128];
    std::snprintf(cell, sizeof cell, "%d-%.2d-%.2d, %.2d:%.2d:%.2d, %lld, %lld, %.2f, 1", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, low, high, axis->stepHz);
    std::string row = cell;
    row.reserve(row.size() + static_cast<std::size_t>(n) * 9 + 1);
    for (int i = 0; i < n; ++i) {
        std::snprintf(cell, sizeof cell, ", %.2f", static_cast<double>(values[i]));
        row += cell;
    }
    row += '\n';
    return row;
}

} // namespace nolvo
