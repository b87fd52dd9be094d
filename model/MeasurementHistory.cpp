// The producer side of the measurement stores: sweeps into the band histories with their heat-map
// grids, the clear operations and the power reference waveform. Callers hold dataLock.

#include <algorithm>
#include <cmath>

#include "model/DataModel.h"

namespace nolvo {

namespace {

// Rows of the heat-map grid are bounded so that a damaged value can never ask for a huge grid.
constexpr std::int32_t kMaxGridRows = 1024;

// Grid rows of one sweep: round to nearest (halves away from zero, as roundf), at or above the top
// -> the top row, below the bottom -> row 0, NaN -> -1 (not counted). Written without branches or
// libm calls so the compiler can vectorise it: it runs for 50 sweeps on every push.
void sweepRows(const float* sweep, int bins, float scale, float offset, int rows, std::int32_t* out)
{
    const float top = static_cast<float>(rows - 1);
    for (int i = 0; i < bins; ++i) {
        const float scaled = sweep[i] * scale + offset;
        // Argument order matters: std::max(0, NaN) is 0, so the cast below never sees a NaN.
        const float clamped = std::min(std::max(0.0f, scaled), top);
        std::int32_t row = static_cast<std::int32_t>(clamped);
        row += (clamped - static_cast<float>(row) >= 0.5f) ? 1 : 0;
        out[i] = (scaled == scaled) ? row : -1;
    }
}

} // namespace

void DataModel::pushSweep(int band, const float* values, int count)
{
    if ((band != kBand24 && band != kBand5) || values == nullptr || count <= 0) {
        return;
    }
    BandStore& store = bandStore(band);
    const int bins = std::min(count, store.maxBins);
    const std::size_t size = store.history.size();
    const bool popping = store.historyLimit > 0 && size >= static_cast<std::size_t>(store.historyLimit);
    // The entry that drops out of the newest-50 window with this push, if any, counted from the
    // oldest entry before the push.
    std::ptrdiff_t leaving = -1;
    if (size >= static_cast<std::size_t>(kHeatGridSweeps)) {
        leaving = static_cast<std::ptrdiff_t>(size - kHeatGridSweeps);
    } else if (popping) {
        leaving = 0;
    }
    // Remove it from the incremental counts while it is still in the history.
    rebuildHeatGrid(store, bins, leaving);
    if (popping) {
        store.history.popOldest();
    }
    store.history.push(values, bins);
    store.newSweep = true;
    store.binCount = bins;
    addNewestToHeatGrid(store, bins);
    store.grid.isNew = true;
    store.grid.accumulated = false;
    store.waterfallRow = true;
    afterSweepStored(band);
}

// First half of the grid update, before the new sweep enters the history: either take the
// leaving sweep out of the incremental counts, or (when the grid's shape or window changed, or the
// history was cleared) recount the sweeps that stay in the window from scratch.
void DataModel::rebuildHeatGrid(BandStore& store, int bins, std::ptrdiff_t leavingEntry)
{
    HeatGridCounts& raw = store.gridCounts;
    const int rows = std::clamp<std::int32_t>(store.gridRows, 1, kMaxGridRows);
    const float bottom = store.amplitudeBottom;
    const float top = store.amplitudeTop;
    const bool usable = top > bottom && std::isfinite(top - bottom);
    const float scale = usable ? static_cast<float>(rows - 1) / (top - bottom) : 0.0f;
    const float offset = -bottom * scale;
    std::int32_t sweepRow[kMaxBins];
    auto apply = [&](std::size_t entry, int delta) {
        if (!usable) {
            return; // no usable window: nothing can be placed
        }
        sweepRows(store.history.entry(entry), bins, scale, offset, rows, sweepRow);
        std::uint16_t* cells = raw.counts.data();
        for (int i = 0; i < bins; ++i) {
            if (sweepRow[i] >= 0) { // a NaN sample has no amplitude to count
                cells[static_cast<std::size_t>(sweepRow[i]) * static_cast<std::size_t>(bins) + static_cast<std::size_t>(i)] +=
                    static_cast<std::uint16_t>(delta);
            }
        }
    };

    if (raw.matches(bins, rows, bottom, top)) {
        if (leavingEntry >= 0) {
            apply(static_cast<std::size_t>(leavingEntry), -1);
        }
        return;
    }
    raw.width = bins;
    raw.rows = rows;
    raw.bottom = bottom;
    raw.top = top;
    raw.valid = true;
    raw.counts.assign(static_cast<std::size_t>(bins) * static_cast<std::size_t>(rows), 0);
    // Count the sweeps that remain in the window after this push (the new one is added later).
    const std::size_t entries = store.history.size();
    const std::size_t first = static_cast<std::size_t>(std::max<std::ptrdiff_t>(
        leavingEntry + 1, static_cast<std::ptrdiff_t>(entries) - (kHeatGridSweeps - 1)));
    for (std::size_t e = first; e < entries; ++e) {
        apply(e, +1);
    }
    // Sweeps narrower than this one only filled part of their entry; the recount used this
    // sweep's width for all of them, as a full rebuild would.
}

// Second half: count the newest sweep and publish the counts as the grid.
void DataModel::addNewestToHeatGrid(BandStore& store, int bins)
{
    HeatGridCounts& raw = store.gridCounts;
    if (raw.top > raw.bottom && std::isfinite(raw.top - raw.bottom)) {
        const float scale = static_cast<float>(raw.rows - 1) / (raw.top - raw.bottom);
        std::int32_t sweepRow[kMaxBins];
        sweepRows(store.history.newest(), bins, scale, -raw.bottom * scale, raw.rows, sweepRow);
        std::uint16_t* cells = raw.counts.data();
        for (int i = 0; i < bins; ++i) {
            if (sweepRow[i] >= 0) {
                ++cells[static_cast<std::size_t>(sweepRow[i]) * static_cast<std::size_t>(bins) + static_cast<std::size_t>(i)];
            }
        }
    }
    HeatGrid& grid = store.grid;
    grid.width = raw.width;
    grid.height = raw.rows;
    grid.cells = raw.counts;
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
        store->gridCounts = HeatGridCounts{};
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
