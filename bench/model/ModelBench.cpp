// Producer-side costs of the model: storing one sweep with the heat-map rebuild, and a whole
// configuration round trip through the store.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DNOLVO_BUILD_BENCH=ON
//   ninja -C build-bench bench_model && build-bench/bench/model/bench_model

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "model/DataModel.h"
#include "platform/UserDefault.h"

namespace {

std::vector<float> syntheticSweep(int bins, int seed)
{
    std::vector<float> sweep(static_cast<std::size_t>(bins));
    for (int i = 0; i < bins; ++i) {
        sweep[static_cast<std::size_t>(i)] = -95.0f + 60.0f * std::fabs(std::sin(0.05f * static_cast<float>(i + seed)));
    }
    return sweep;
}

// pushSweep of a 512-bin 5 GHz sweep into a history that is already at its 510-entry limit.
void BM_PushSweep5GHzFullHistory(benchmark::State& state)
{
    nolvo::DataModel model;
    std::vector<std::vector<float>> sweeps;
    for (int i = 0; i < 64; ++i) {
        sweeps.push_back(syntheticSweep(nolvo::kBins5, i * 7));
    }
    for (int i = 0; i < nolvo::kDefaultHistoryLimit; ++i) {
        model.pushSweep(nolvo::kBand5, sweeps[static_cast<std::size_t>(i % 64)].data(), nolvo::kBins5);
    }
    std::size_t next = 0;
    for (auto _ : state) {
        model.pushSweep(nolvo::kBand5, sweeps[next++ % 64].data(), nolvo::kBins5);
        benchmark::DoNotOptimize(model.band5.grid.cells.data());
    }
}
BENCHMARK(BM_PushSweep5GHzFullHistory)->Repetitions(5)->ReportAggregatesOnly(true);

// saveConfiguration + loadConfiguration of one slot; Arg 1 writes the file (with its fsync and
// rename), Arg 0 keeps the store in memory.
void BM_ConfigurationRoundTrip(benchmark::State& state)
{
    const std::string dir = (std::filesystem::temp_directory_path() / "nolvo-bench-store").string();
    engine::UserDefault::setStoreDirectory(dir);
    engine::UserDefault::destroyInstance();
    engine::UserDefault::setPersistenceEnabled(state.range(0) != 0);
    nolvo::DataModel model;
    model.referenceHistory.history.assign(4, std::vector<float>(240, -30.0f));
    for (auto _ : state) {
        model.saveConfiguration(1);
        model.loadConfiguration(1);
    }
    engine::UserDefault::setPersistenceEnabled(true);
    engine::UserDefault::destroyInstance();
    engine::UserDefault::setStoreDirectory("");
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ConfigurationRoundTrip)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
