// Costs of the power-trace processing and of the CSV data log on the packet thread: measurements
// of one trace, the trace-to-polyline conversion, and one logged sweep or power packet written
// and flushed to a real file (bytes per second of CSV text).
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DNOLVO_BUILD_BENCH=ON
//   ninja -C build-bench bench_model_power && build-bench/bench/model_power/bench_model_power

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "model/PowerMeasurements.h"
#include "model/PowerSpline.h"
#include "platform/FileUtils.h"

namespace {

// A pulsed power envelope: bursts at -10 dBm over a -45 dBm floor with some ripple.
std::vector<float> pulsedTrace(std::size_t samples)
{
    std::vector<float> trace(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        const bool burst = (i / 17) % 3 == 0;
        trace[i] = (burst ? -10.0f : -45.0f) + 0.8f * std::sin(0.37f * static_cast<float>(i));
    }
    return trace;
}

void BM_PowerMeasurements(benchmark::State& state)
{
    const std::vector<float> trace = pulsedTrace(static_cast<std::size_t>(state.range(0)));
    nolvo::PowerMeasurements::Record record{};
    for (auto _ : state) {
        nolvo::PowerMeasurements::compute(&record, trace.data(), trace.size(), 1e-4);
        benchmark::DoNotOptimize(record);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PowerMeasurements)->Arg(240)->Arg(1000);

void BM_TraceToPolyline(benchmark::State& state)
{
    const std::vector<float> trace = pulsedTrace(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::vector<float> points = nolvo::PowerSpline::traceToPolyline(trace.data(), trace.size(), 900.0f);
        benchmark::DoNotOptimize(points.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TraceToPolyline)->Arg(240)->Arg(400)->Arg(1000);

// Logging into a scratch directory, removed afterwards.
class ScratchLog {
public:
    ScratchLog()
    {
        m_dir = std::filesystem::temp_directory_path() / ("nolvo-bench-log-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
        engine::FileUtils::getInstance()->setWritablePath(m_dir.string());
        m_model.deviceInfo.modelId = 7;
        m_model.powerStore.timePerDivision = {0.001f};
        m_model.power.timeScaleIndex = 0;
        m_model.dataLogState = nolvo::kLogStartRequested;
    }
    ~ScratchLog()
    {
        m_file.stopDataLog();
        engine::FileUtils::getInstance()->setWritablePath("");
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    nolvo::DataLogger& logger() { return m_logger; }
    std::uintmax_t bytesWritten() const
    {
        std::uintmax_t total = 0;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir)) {
            total += entry.file_size();
        }
        return total;
    }

private:
    std::filesystem::path m_dir;
    nolvo::DataModel m_model;
    nolvo::DataLogFile m_file;
    nolvo::DataLogger m_logger{m_model, m_file};
};

// One 5 GHz sweep (512 bins) per iteration, as the delegate logs it.
void BM_DataLogSpectrumSweep(benchmark::State& state)
{
    ScratchLog log;
    const std::vector<float> sweep = pulsedTrace(512);
    for (auto _ : state) {
        log.logger().logSpectrum(nolvo::kBand5, sweep.data(), 512);
        log.logger().writePending();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(log.bytesWritten()));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DataLogSpectrumSweep);

// One second-generation power frame (1000 samples, one row each) per iteration.
void BM_DataLogPowerFrame(benchmark::State& state)
{
    ScratchLog log;
    const std::vector<float> frame = pulsedTrace(1000);
    for (auto _ : state) {
        log.logger().logPower(frame.data(), 1000);
        log.logger().writePending();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(log.bytesWritten()));
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_DataLogPowerFrame);

} // namespace
