// The Wi-Fi analyst tools' model side at the list's full size (2,048 access points):
//  - filterList: the filter re-applied to the whole list (target: 1 ms or less);
//  - historyFull: ten minutes of scans recorded for every access point at the fastest rate the
//    history keeps (one a second); the "bytes" counter is the history's memory (target: 16 MB);
//  - historyScan: one scan of 2,048 records added to a full history (what the link thread does);
//  - vendorLookup: one look-up in the loaded IEEE registry.
//
//   bench_model_ap --benchmark_filter='filter|history|vendor'

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "model/AccessPointFilter.h"
#include "model/AccessPointList.h"
#include "model/SignalHistory.h"
#include "model/VendorRegistry.h"

namespace {

using nolvo::AccessPoint;
using nolvo::SignalHistory;

constexpr int kAccessPoints = 2048;

std::vector<AccessPoint> survey()
{
    std::mt19937 random(7);
    std::vector<AccessPoint> aps(kAccessPoints);
    for (int i = 0; i < kAccessPoints; ++i) {
        AccessPoint& ap = aps[static_cast<std::size_t>(i)];
        ap.bssid = {0x00, 0x22, 0x72, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
        ap.setSsid("Network-" + std::to_string(random() % 500) + (i % 3 ? "-corp" : "-Guest"));
        ap.band = i % 4 == 0 ? 1 : 0;
        ap.channel = static_cast<std::uint16_t>(ap.band ? 36 + 4 * (random() % 8) : 1 + random() % 13);
        ap.security = static_cast<std::int32_t>(random() % 5);
        ap.rssi = -30.0f - static_cast<float>(random() % 60);
    }
    return aps;
}

void filterList(benchmark::State& state)
{
    nolvo::AccessPointList list;
    nolvo::AccessPointBatch batch;
    for (AccessPoint& ap : survey()) {
        batch.push_back(std::make_unique<AccessPoint>(ap));
    }
    list.merge(batch, 0, {});
    nolvo::AccessPointFilterSettings settings{};
    nolvo::setFilterSsid(settings, "guest"); // the worst case: every criterion in force
    settings.securityMask = 0x1C;
    settings.bands = nolvo::AccessPointFilterSettings::kBand24Only;
    settings.flags = nolvo::AccessPointFilterSettings::kHideHidden | nolvo::AccessPointFilterSettings::kMinimumSignal;
    settings.minimumSignal = -80.0f;
    settings.channelFirst = 1;
    settings.channelLast = 11;
    std::vector<std::uint32_t> passing;
    for (auto _ : state) {
        const nolvo::AccessPointFilter filter(settings); // compiled each time, as after an edit
        benchmark::DoNotOptimize(filter.apply(list, passing));
    }
    state.counters["passing"] = static_cast<double>(passing.size());
}
BENCHMARK(filterList)->Unit(benchmark::kMicrosecond);

void fillHistory(SignalHistory& history, const std::vector<AccessPoint>& aps)
{
    for (std::uint64_t t = 0; t <= SignalHistory::kWindowMs; t += SignalHistory::kMinSpacingMs) {
        for (const AccessPoint& ap : aps) {
            history.record(ap, 1'000'000 + t);
        }
    }
}

// Resident set size in bytes (from /proc/self/statm), to check memoryBytes() against.
double residentBytes()
{
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0.0;
    long pages = 0;
    long resident = 0;
    const int n = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    return n == 2 ? static_cast<double>(resident) * 4096.0 : 0.0;
}

void historyFull(benchmark::State& state)
{
    const std::vector<AccessPoint> aps = survey();
    std::size_t bytes = 0;
    double grown = 0.0;
    for (auto _ : state) {
        const double before = residentBytes();
        SignalHistory history;
        fillHistory(history, aps);
        bytes = history.memoryBytes();
        grown = residentBytes() - before;
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["rss_MB"] = grown / 1e6; // the first iteration's growth; later ones reuse freed pages
}
BENCHMARK(historyFull)->Unit(benchmark::kMillisecond)->Iterations(1);

void historyScan(benchmark::State& state)
{
    const std::vector<AccessPoint> aps = survey();
    SignalHistory history;
    fillHistory(history, aps);
    std::uint64_t now = 1'000'000 + SignalHistory::kWindowMs;
    for (auto _ : state) {
        now += SignalHistory::kMinSpacingMs;
        for (const AccessPoint& ap : aps) {
            history.record(ap, now);
        }
        history.prune(now);
    }
}
BENCHMARK(historyScan)->Unit(benchmark::kMicrosecond);

void vendorLookup(benchmark::State& state)
{
    nolvo::VendorRegistry registry;
    registry.waitUntilLoaded();
    const nolvo::Bssid bssid = {0x00, 0x00, 0x0C, 1, 2, 3};
    for (auto _ : state) {
        benchmark::DoNotOptimize(registry.lookup(bssid));
    }
}
BENCHMARK(vendorLookup);

} // namespace
