// The producer side of the measurement stores: sweeps into the band histories with their heat-map
// grids, the clear operations and the power reference waveform. Callers hold dataLock.

#include <algorithm>
#include <cmath>

#include "model/DataModel.h"

namespace nolvo {

namespace {

// Rows of the heat-map grid are bounded so that a damaged value can never ask for a huge grid.
constexpr std::int32_t kMaxGridRows = 1024;

// Row of a value in a grid of `rows` rows: round to nearest (halves away from zero, as roundf),
// at or above the top -> the top row, below the bottom -> row 0. `scaled` is not NaN.
inline int gridRow(float scaled, int rows)
{
    const float top = static_cast<float>(rows - 1);
    if (scaled >= top) {
        return rows - 1;
    }
    if (scaled <= 0.0f) {
        return 0;
    }
    // Exact roundf for positive values below 2^24 without a libm call in the hot loop.
    int row = static_cast<int>(scaled);
    if (scaled - static_cast<float>(row) >= 0.5f) {
        ++row;
    }
    return row;
}

} // namespace

void DataModel::pushSweep(int band, const float* values, int count)
{
    if ((band != kBand24 && band != kBand5) || values == nullptr || count <= 0) {
        return;
    }
    BandStore& store = bandStore(band);
    const int bins = std::min(count, store.maxBins);
    if (store.historyLimit > 0 && store.history.size() >= static_cast<std::size_t>(store.historyLimit)) {
        store.history.popOldest();
    }
    store.history.push(values, bins);
    store.newSweep = true;
    store.binCount = bins;
    rebuildHeatGrid(store, bins);
    store.grid.isNew = true;
    store.grid.accumulated = false;
    store.waterfallRow = true;
    afterSweepStored(band);
}

void DataModel::rebuildHeatGrid(BandStore& store, int bins)
{
    HeatGrid& grid = store.grid;
    const int rows = std::clamp<std::int32_t>(store.gridRows, 1, kMaxGridRows);
    grid.width = bins;
    grid.height = rows;
    grid.cells.assign(static_cast<std::size_t>(bins) * static_cast<std::size_t>(rows), 0);

    const float bottom = store.amplitudeBottom;
    const float top = store.amplitudeTop;
    if (!(top > bottom) || !std::isfinite(top - bottom)) {
        return; // no usable window: nothing can be placed
    }
    const float scale = static_cast<float>(rows - 1) / (top - bottom);
    const float offset = -bottom * scale;
    const std::size_t entries = store.history.size();
    const std::size_t first = entries - std::min<std::size_t>(entries, kHeatGridSweeps);
    std::uint16_t* cells = grid.cells.data();
    for (std::size_t e = first; e < entries; ++e) {
        const float* sweep = store.history.entry(e);
        for (int i = 0; i < bins; ++i) {
            const float scaled = sweep[i] * scale + offset;
            if (std::isnan(scaled)) {
                continue; // a NaN sample has no amplitude to count
            }
            ++cells[static_cast<std::size_t>(gridRow(scaled, rows)) * static_cast<std::size_t>(bins) + i];
        }
    }
}

void DataModel::clearHistories()
{
    for (BandStore* store : {&band24, &band5}) {
        store->history.clear();
        store->binCount = -1;
        store->newSweep = true;
        store->derived.reset();
        store->grid.cells.clear();
        store->grid.cells.shrink_to_fit();
        store->grid.width = 0;
        store->grid.height = 0;
        store->grid.isNew = true;
        store->grid.accumulated = false;
        store->waterfallRow = true;
    }
    afterHistoriesCleared();
}

void DataModel::clearDerivedTraces()
{
    powerStore.live.clear();
    powerStore.liveUpdate = 1;
    powerStore.measurements.fill(NAN);
}

void DataModel::clearReference()
{
    referenceHistory.clear();
}

void DataModel::grabReference()
{
    referenceHistory.clear();
    referenceHistory.history = powerStore.live.history;
    referenceHistory.processedHistory = powerStore.live.processedHistory;
    referenceHistory.alpha = powerStore.live.alpha;
    referenceHistory.rollingHistory = powerStore.live.rollingHistory;
    referenceHistory.processedRollingHistory = powerStore.live.processedRollingHistory;

    // Of the fading persistence traces only the newest one that is still drawn becomes the
    // reference: the last of the first n traces, n being the number of opacities.
    const std::size_t n = referenceHistory.alpha.size();
    if (n > 1) {
        referenceHistory.alpha.erase(referenceHistory.alpha.begin(), referenceHistory.alpha.end() - 1);
        for (auto* lists : {&referenceHistory.history, &referenceHistory.processedHistory}) {
            const std::size_t keep = std::min(lists->size(), n);
            if (keep > 1) {
                lists->erase(lists->begin(), lists->begin() + static_cast<std::ptrdiff_t>(keep - 1));
            }
        }
    }
    referenceHistory.timeScaleIndex = power.timeScaleIndex;
    referenceHistory.amplitudeScaleIndex = power.amplitudeScaleIndex;
    referenceHistory.maxRollPointsNeeded = powerStore.samplesPerScreen;
    referenceHistory.isValid = true;
}

} // namespace nolvo
