// The producer side of the measurement stores: sweeps into the band histories with their heat-map
// grids, the clear operations and the power reference waveform. Callers hold dataLock.

#include <algorithm>
#include "model/SharedField.h"
#include <cmath>

#include "model/DataModel.h"

namespace nolvo {

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
    // Take it out of the grid's counts while it is still in the history.
    updateHeatGrid(store, bins, leaving);
    if (popping) {
        store.history.popOldest();
    }
    store.history.push(values, bins);
    store.newSweep = true;
    ++store.sweepsStored;
    store.binCount = bins;
    // Count the new sweep and publish the grid.
    store.gridCounts.add(store.history.newest(), +1);
    store.grid.width = store.gridCounts.width();
    store.grid.height = store.gridCounts.rows();
    store.grid.cells = store.gridCounts.counts();
    store.grid.isNew = true;
    store.grid.accumulated = false;
    store.waterfallRedraw = true;
    afterSweepStored(band);
}

// Before the new sweep enters the history: take the leaving sweep out of the grid's counts, or,
// when the grid's shape or window changed or the history was cleared, recount the sweeps that stay
// in the 50-sweep window from scratch.
void DataModel::updateHeatGrid(BandStore& store, int bins, std::ptrdiff_t leavingEntry)
{
    HeatGridCounts& counts = store.gridCounts;
    if (!counts.reshape(bins, store.gridRows, store.amplitudeBottom, store.amplitudeTop)) {
        if (leavingEntry >= 0) {
            counts.add(store.history.entry(static_cast<std::size_t>(leavingEntry)), -1);
        }
        return;
    }
    const auto entries = static_cast<std::ptrdiff_t>(store.history.size());
    for (std::ptrdiff_t e = std::max(leavingEntry + 1, entries - (kHeatGridSweeps - 1)); e < entries; ++e) {
        counts.add(store.history.entry(static_cast<std::size_t>(e)), +1);
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
        store->gridCounts.invalidate();
        store->grid.width = 0;
        store->grid.height = 0;
        store->grid.isNew = true;
        store->grid.accumulated = false;
        store->waterfallRedraw = true;
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
    referenceHistory.timeScaleIndex = loadShared(power.timeScaleIndex);
    referenceHistory.amplitudeScaleIndex = loadShared(power.amplitudeScaleIndex);
    referenceHistory.maxRollPointsNeeded = powerStore.samplesPerScreen;
    referenceHistory.isValid = true;
}

} // namespace nolvo
