// Per-sweep costs of the spectrum display: trace processing of a 512-bin sweep over a full
// history (target 100 µs), the waterfall image rebuild for 500 x 512 (target 2 ms) and the heat
// map's images after a new sweep.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "display/ColorMaps.h"
#include "display/HeatMapImage.h"
#include "display/TraceProcessing.h"
#include "display/WaterfallImage.h"
#include "model/DataModel.h"
#include "model/MeasurementStores.h"

namespace {

using namespace nolvo;

// A noisy sweep with a few carriers, different for each index.
std::vector<float> sweep(int index)
{
    std::vector<float> v(kBins5);
    for (int i = 0; i < kBins5; ++i) {
        const float noise = static_cast<float>((i * 7919 + index * 104729) % 97) * 0.1f;
        const float carrier = (i / 40 + index / 25) % 5 == 0 ? 45.0f : 0.0f;
        v[static_cast<std::size_t>(i)] = -100.0f + noise + carrier;
    }
    return v;
}

void fillHistory(BandStore& store, int entries)
{
    for (int e = 0; e < entries; ++e) store.history.push(sweep(e).data(), kBins5);
    store.binCount = kBins5;
}

void BM_TraceProcessing512FullHistory(benchmark::State& state)
{
    BandStore store(kBins5);
    fillHistory(store, kDefaultHistoryLimit);
    TraceTiming timing;
    timing.holdTime = 3.0f;    // 30 sweeps at 0.1 s
    timing.averageTime = 4.0f; // 40 sweeps
    timing.decayRate = 0.5f;
    timing.refreshInterval = 0.1f;
    store.newSweep = true;
    processBand(store, timing); // seeded
    const std::vector<float> next = sweep(999);
    for (auto _ : state) {
        // A new sweep replaces the oldest, as the producer does, then the layer processes it.
        store.history.popOldest();
        store.history.push(next.data(), kBins5);
        store.newSweep = true;
        processBand(store, timing);
        benchmark::DoNotOptimize(store.derived.peaks);
    }
}
BENCHMARK(BM_TraceProcessing512FullHistory)->Unit(benchmark::kMicrosecond);

// The heat map after each new 2.4 GHz sweep (256 x 256 grid, most columns changed), as the layer
// takes it: the grid handed over (copied here from the two alternating grids), its images rebuilt
// where the counts changed.
void BM_HeatMapImageNewSweep(benchmark::State& state)
{
    DataModel model;
    std::vector<HeatGrid> grids;
    for (int i = 0; i < 52; ++i) {
        const std::vector<float> v = sweep(i);
        model.pushSweep(kBand24, v.data(), kBins24);
        if (i >= 50) grids.push_back(model.band24.grid);
    }
    const std::vector<Rgb> table = buildColorMap(0, grids[0].height);
    HeatMapImage image;
    std::size_t next = 0;
    for (auto _ : state) {
        HeatGrid grid = grids[next];
        next = 1 - next;
        const HeatMapImage::Region region = image.update(grid, table, 0);
        benchmark::DoNotOptimize(region);
    }
}
BENCHMARK(BM_HeatMapImageNewSweep)->Unit(benchmark::kMicrosecond);

void BM_WaterfallImage500x512(benchmark::State& state)
{
    SweepHistory history(kBins5);
    for (int e = 0; e < kDefaultHistoryLimit; ++e) history.push(sweep(e).data(), kBins5);
    std::vector<std::uint8_t> pixels(512 * 512 * 4);
    const std::vector<Rgb> table = buildWaterfallColorTable(static_cast<int>(state.range(0)));
    const ThresholdScale scale = ThresholdScale::of(-95.0f, -50.0f);
    for (auto _ : state) {
        const WaterfallImageSize size =
            buildWaterfallPixels(history, kBins5, kBins5, table, scale, pixels.data(), pixels.size());
        benchmark::DoNotOptimize(size);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_WaterfallImage500x512)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_WaterfallColorTable(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(buildWaterfallColorTable(0));
}
BENCHMARK(BM_WaterfallColorTable)->Unit(benchmark::kMicrosecond);

} // namespace
