#include <cmath>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "model/DataModel.h"

namespace nolvo::test {
namespace {

std::vector<float> constantSweep(int bins, float value)
{
    return std::vector<float>(static_cast<std::size_t>(bins), value);
}

// Sum of the counts of one column of the grid.
int columnSum(const HeatGrid& grid, int bin)
{
    int sum = 0;
    for (int row = 0; row < grid.height; ++row) {
        sum += grid.cells[static_cast<std::size_t>(row * grid.width + bin)];
    }
    return sum;
}

int countAt(const HeatGrid& grid, int row, int bin)
{
    return grid.cells[static_cast<std::size_t>(row * grid.width + bin)];
}

TEST(PushSweep, HistoryKeepsTheNewest510SweepsContiguously)
{
    DataModel m;
    for (int i = 0; i < 511; ++i) {
        const auto sweep = constantSweep(kBins24, static_cast<float>(-i));
        m.pushSweep(kBand24, sweep.data(), kBins24);
    }
    const BandStore& store = m.band24;
    ASSERT_EQ(store.history.size(), 510u);
    EXPECT_EQ(store.history.entry(0)[0], -1.0f); // the first sweep (0) is gone
    EXPECT_EQ(store.history.newest()[255], -510.0f);
    // Entries are back to back: entry k starts k * 256 floats after the oldest.
    EXPECT_EQ(store.history.data()[256 * 509], -510.0f);
    EXPECT_TRUE(store.newSweep);
    EXPECT_EQ(store.binCount, 256);
}

TEST(PushSweep, EmptyOrInvalidSweepsAreIgnoredAndLongOnesAreCut)
{
    DataModel m;
    const auto sweep = constantSweep(600, -50.0f);
    m.pushSweep(kBand24, sweep.data(), 0);
    m.pushSweep(kBand24, nullptr, 10);
    m.pushSweep(2, sweep.data(), 10);
    EXPECT_TRUE(m.band24.history.empty());
    EXPECT_FALSE(m.band24.newSweep);
    m.pushSweep(kBand5, sweep.data(), 600);
    EXPECT_EQ(m.band5.binCount, 512);
    EXPECT_EQ(m.band5.grid.width, 512);
    m.pushSweep(kBand24, sweep.data(), 600);
    EXPECT_EQ(m.band24.binCount, 256);
}

TEST(PushSweep, GridCountsTheNewestFiftySweepsInEveryColumn)
{
    DataModel m;
    for (int i = 1; i <= 60; ++i) {
        std::vector<float> sweep(100);
        for (int b = 0; b < 100; ++b) {
            sweep[static_cast<std::size_t>(b)] = -90.0f + static_cast<float>((b * 7 + i * 13) % 80);
        }
        m.pushSweep(kBand24, sweep.data(), 100);
        const HeatGrid& grid = m.band24.grid;
        ASSERT_EQ(grid.width, 100);
        ASSERT_EQ(grid.height, 256);
        EXPECT_TRUE(grid.isNew);
        EXPECT_FALSE(grid.accumulated);
        for (int b = 0; b < 100; b += 11) {
            EXPECT_EQ(columnSum(grid, b), std::min(i, 50)) << "sweep " << i << " bin " << b;
        }
    }
}

TEST(PushSweep, GridRowsFollowTheAmplitudeWindowAndClampAtBothEdges)
{
    DataModel m; // window -90 .. -10 dBm over 256 rows: 255 / 80 rows per dB
    const float values[] = {
        -90.0f,   // bottom -> row 0
        -10.0f,   // exactly the top -> row 255
        0.0f,     // above the top -> row 255
        -50.0f,   // middle: 40 * 255 / 80 = 127.5 -> rounds half away from zero to 128
        -120.0f,  // below the bottom -> row 0, never outside the grid
        -INFINITY,
        INFINITY,
        NAN,      // no amplitude: not counted at all
    };
    m.pushSweep(kBand24, values, 8);
    const HeatGrid& grid = m.band24.grid;
    EXPECT_EQ(countAt(grid, 0, 0), 1);
    EXPECT_EQ(countAt(grid, 255, 1), 1);
    EXPECT_EQ(countAt(grid, 255, 2), 1);
    EXPECT_EQ(countAt(grid, 128, 3), 1);
    EXPECT_EQ(countAt(grid, 0, 4), 1);
    EXPECT_EQ(countAt(grid, 0, 5), 1);
    EXPECT_EQ(countAt(grid, 255, 6), 1);
    EXPECT_EQ(columnSum(grid, 7), 0);
}

TEST(PushSweep, AnUnusableWindowOrRowCountNeverWritesOutsideTheGrid)
{
    DataModel m;
    const auto sweep = constantSweep(10, -40.0f);
    m.band24.amplitudeBottom = -10.0f; // top not above bottom
    m.pushSweep(kBand24, sweep.data(), 10);
    EXPECT_EQ(columnSum(m.band24.grid, 0), 0);
    m.band24.amplitudeBottom = -90.0f;
    m.band24.gridRows = -5;
    m.pushSweep(kBand24, sweep.data(), 10);
    EXPECT_EQ(m.band24.grid.height, 1);
    EXPECT_EQ(countAt(m.band24.grid, 0, 0), 2);
}

TEST(ClearHistories, ResetsBothBandsSoTheNextSweepStartsAfresh)
{
    DataModel m;
    for (int i = 0; i < 5; ++i) {
        const auto sweep = constantSweep(kBins5, -60.0f);
        m.pushSweep(kBand5, sweep.data(), kBins5);
        m.pushSweep(kBand24, sweep.data(), kBins24);
    }
    m.band24.derived.binCount = 256;
    m.band24.derived.peaks[kTraceRaw][0] = Peak{3, -10.0f};
    m.band24.derived.changed = true;
    m.band24.waterfallRedraw = false;
    m.clearHistories();
    for (const BandStore* store : {&m.band24, &m.band5}) {
        EXPECT_TRUE(store->history.empty());
        EXPECT_EQ(store->binCount, -1);
        EXPECT_TRUE(store->newSweep);
        EXPECT_EQ(store->derived.binCount, 0u);
        EXPECT_EQ(store->derived.peaks[kTraceRaw][0].bin, -1);
        EXPECT_TRUE(std::isnan(store->derived.peaks[kTraceRaw][0].value));
        EXPECT_FALSE(store->derived.changed);
        EXPECT_EQ(store->grid.width, 0);
        EXPECT_EQ(store->grid.height, 0);
        EXPECT_TRUE(store->grid.isNew);
        EXPECT_TRUE(store->waterfallRedraw);
    }
    const auto sweep = constantSweep(kBins24, -30.0f);
    m.pushSweep(kBand24, sweep.data(), kBins24);
    EXPECT_EQ(m.band24.history.size(), 1u);
    EXPECT_EQ(columnSum(m.band24.grid, 17), 1);
}

TEST(PowerStores, ClearDerivedTracesEmptiesTheLiveDataAndMeasurements)
{
    DataModel m;
    m.powerStore.live.history = {{1, 2}};
    m.powerStore.live.rollingHistory = {3};
    m.powerStore.measurements[17] = -20.0f;
    m.clearDerivedTraces();
    EXPECT_TRUE(m.powerStore.live.history.empty());
    EXPECT_TRUE(m.powerStore.live.rollingHistory.empty());
    EXPECT_EQ(m.powerStore.liveUpdate, 1);
    for (float value : m.powerStore.measurements) {
        EXPECT_TRUE(std::isnan(value));
    }
}

TEST(PowerStores, GrabKeepsTheNewestVisibleTraceAndClearEmpties)
{
    DataModel m;
    m.powerStore.live.history = {{1}, {2}, {3}, {4}, {5}};
    m.powerStore.live.processedHistory = {{10}, {20}};
    m.powerStore.live.alpha = {0.2f, 0.6f, 1.0f};
    m.powerStore.live.rollingHistory = {7, 8};
    m.power.timeScaleIndex = 9;
    m.power.amplitudeScaleIndex = 0;
    m.grabReference();
    const ReferenceHistory& ref = m.referenceHistory;
    // Three opacities: of the first three traces only the third stays; traces after them stay.
    EXPECT_EQ(ref.history, (std::vector<std::vector<float>>{{3}, {4}, {5}}));
    EXPECT_EQ(ref.processedHistory, (std::vector<std::vector<float>>{{20}}));
    EXPECT_EQ(ref.alpha, std::vector<float>{1.0f});
    EXPECT_EQ(ref.rollingHistory, (std::vector<float>{7, 8}));
    EXPECT_EQ(ref.timeScaleIndex, 9);
    EXPECT_EQ(ref.amplitudeScaleIndex, 0);
    EXPECT_EQ(ref.maxRollPointsNeeded, 240);
    EXPECT_TRUE(ref.isValid);
    m.clearReference();
    EXPECT_TRUE(ref.history.empty());
    EXPECT_EQ(ref.timeScaleIndex, -1);
    EXPECT_FALSE(ref.isValid);
}

} // namespace
} // namespace nolvo::test

namespace nolvo::test {
namespace {

// The grid recounted from scratch the plain way: the newest min(entries, 50) sweeps.
std::vector<std::uint16_t> recount(const BandStore& store)
{
    const int bins = store.grid.width;
    const int rows = store.grid.height;
    std::vector<std::uint16_t> cells(static_cast<std::size_t>(bins * rows), 0);
    const float scale = static_cast<float>(rows - 1) / (store.amplitudeTop - store.amplitudeBottom);
    const float offset = -store.amplitudeBottom * scale;
    const std::size_t entries = store.history.size();
    for (std::size_t e = entries - std::min<std::size_t>(entries, 50); e < entries; ++e) {
        for (int i = 0; i < bins; ++i) {
            const float v = store.history.entry(e)[i] * scale + offset;
            if (std::isnan(v)) {
                continue;
            }
            int row = static_cast<int>(std::roundf(std::min(std::max(0.0f, v), static_cast<float>(rows - 1))));
            ++cells[static_cast<std::size_t>(row * bins + i)];
        }
    }
    return cells;
}

// The grid is maintained incrementally; it must always equal a full recount, across window
// changes, NaN samples, history limits below the window, clears and consumers that accumulate
// the published grid in place.
TEST(PushSweep, IncrementalGridAlwaysEqualsAFullRecount)
{
    DataModel m;
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % 1000;
    };
    for (int step = 0; step < 400; ++step) {
        if (step == 120) {
            m.band24.amplitudeBottom = -100.0f; // the user rescales
        }
        if (step == 200) {
            m.band24.historyLimit = 30; // fewer sweeps kept than the window holds
        }
        if (step == 260) {
            m.clearHistories();
        }
        if (step == 300) {
            m.band24.historyLimit = 0;
        }
        std::vector<float> sweep(kBins24);
        for (float& v : sweep) {
            const unsigned r = next();
            v = r < 5 ? NAN : -110.0f + static_cast<float>(r) * 0.11f;
        }
        m.pushSweep(kBand24, sweep.data(), kBins24);
        ASSERT_EQ(m.band24.grid.cells, recount(m.band24)) << "step " << step;
        // A consumer scribbling over the published grid must not disturb the next one.
        std::fill(m.band24.grid.cells.begin(), m.band24.grid.cells.end(), 7);
    }
}

} // namespace
} // namespace nolvo::test
