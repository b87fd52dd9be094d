// What a reload of the access-point tables costs with the list full (2,048 entries): the
// snapshot copied under the list lock and the rows built from it (target: a whole reload with its
// visible cells within 2 ms).

#include <benchmark/benchmark.h>

#include <memory>

#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "tables/AccessPointSnapshot.h"
#include "tables/TableRows.h"

namespace {

using namespace nolvo;

void fill(DataModel& model, std::size_t count)
{
    AccessPointBatch batch;
    for (std::size_t i = 0; i < count; ++i) {
        auto ap = std::make_unique<AccessPoint>();
        ap->bssid = {0x02, 0x10, 0x00, static_cast<std::uint8_t>(i >> 16), static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
        ap->setSsid("network-" + std::to_string(i * 7919 % 10007));
        ap->band = i % 4 == 0 ? 1 : 0;
        ap->channel = static_cast<std::uint16_t>(ap->band ? 36 + 4 * (i % 8) : 1 + i % 13);
        ap->channelWidth = i % 3 == 0 ? 40 : 20;
        ap->secondaryCode = static_cast<std::int32_t>(i % 3);
        ap->rssi = -30.0f - static_cast<float>(i % 60);
        ap->security = static_cast<std::int32_t>(i % 5);
        ap->modes = 0x07;
        batch.push_back(std::move(ap));
    }
    model.mergeAccessPoints(batch);
}

void BM_SnapshotAndRows2048(benchmark::State& state)
{
    DataModel model;
    fill(model, AccessPointList::kMaxEntries);
    AccessPointSnapshot snapshot;
    UtilizationRows utilization;
    for (auto _ : state) {
        {
            ModelLock lock(model, kAccessPointLock);
            snapshot.take(model);
        }
        auto rows = accessPointTableRows(snapshot, false);
        utilization.build(snapshot);
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["entries"] = static_cast<double>(snapshot.rows.size());
}
BENCHMARK(BM_SnapshotAndRows2048)->Unit(benchmark::kMicrosecond);

} // namespace
