// The full utilization pass as the link thread runs it while holding the model locks: 100 access
// points across the 2.4 GHz band, 20 of them selected for optimization.
//
//   bench_model_ap --benchmark_repetitions=10 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "model/DataModel.h"

namespace {

using nolvo::AccessPoint;
using nolvo::DataModel;

void fillScene(DataModel& model, int sweeps)
{
    std::mt19937 random(42);
    std::uniform_real_distribution<float> noise(-95.0f, -60.0f);
    std::vector<float> sweep(nolvo::kBins24);
    for (int s = 0; s < sweeps; ++s) {
        for (float& value : sweep) {
            value = noise(random);
        }
        model.band24.history.push(sweep.data(), nolvo::kBins24);
    }
    model.deviceInfo.raw24 = 200;

    nolvo::AccessPointBatch batch;
    for (int i = 0; i < 100; ++i) {
        auto ap = std::make_unique<AccessPoint>();
        ap->bssid = {0x02, 0, 0, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
        ap->channel = static_cast<std::uint16_t>(1 + random() % 13);
        ap->rssi = -30.0f - static_cast<float>(random() % 60);
        ap->channelWidth = (i % 4 == 0) ? 40 : 20;
        ap->secondaryCode = ap->channelWidth == 40 ? (ap->channel <= 9 ? 1 : 2) : 0;
        batch.push_back(std::move(ap));
    }
    model.accessPoints.merge(batch, 0, {});
    for (int i = 0; i < 100; i += 5) {
        model.addToOptimization(model.accessPoints[static_cast<std::size_t>(i)].bssid);
    }
}

// `sweeps` stored 2.4 GHz sweeps; at exactly 100 the candidate channels cannot be scored yet, so
// 510 (the full history) is the pass with every suggestion computed.
void fullPass(benchmark::State& state)
{
    auto model = std::make_unique<DataModel>();
    fillScene(*model, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const bool ran = model->runUtilizationPass(true);
        benchmark::DoNotOptimize(ran);
        benchmark::DoNotOptimize(model->accessPoints[0].grade);
    }
}
BENCHMARK(fullPass)->Arg(100)->Arg(510)->Unit(benchmark::kMicrosecond);

} // namespace
