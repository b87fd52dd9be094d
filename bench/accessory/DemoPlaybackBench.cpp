// Demo recordings through the parser:
// - BM_ParseRecording: bytes per second the parser, decoders, histories and the CSV data log
//   handle when a recording is fed unpaced (the whole file per iteration);
// - BM_PacedPlaybackCpu: CPU spent by the worker thread while it plays a recording at the pace of
//   the recorded accessory for 5 s, with the data log on (target: at most 1 % of one core).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/DemoPlayback.h"
#include "model/DataLogFile.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "platform/FileUtils.h"

namespace {

using namespace nolvo;

struct Case {
    int hardware;
    bool power;
    bool band5;
};

const Case kCases[] = {
    {0, false, false}, {1, false, false}, {2, false, false}, {2, false, true}, {0, true, false}, {1, true, false},
};

// Recordings from the source tree; logs into a scratch directory removed afterwards.
class Setup {
public:
    Setup()
    {
        engine::FileUtils::getInstance()->setResourceRoots({NOLVO_SOURCE_DIR});
        engine::FileUtils::getInstance()->setSearchPaths({"res"});
        std::string pattern = (std::filesystem::temp_directory_path() / "nolvo-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_dir = pattern;
            engine::FileUtils::getInstance()->setWritablePath(m_dir);
        }
    }
    ~Setup()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

private:
    std::string m_dir;
};

void configure(DataModel& model, const Case& c)
{
    model.demo = DemoSettings{static_cast<std::uint8_t>(c.hardware), 1, 0};
    model.common.spectrumModeActive = c.power ? 0 : 1;
    model.spectrum.band = c.band5 ? 1 : 0;
    model.spectrum.ssidOverlay = 0;
}

std::string streamName(const Case& c)
{
    return DemoPlayback::prefix(c.hardware) + (c.power ? "power" : "spectrum") + DemoPlayback::sceneFile(1, c.band5);
}

void BM_ParseRecording(benchmark::State& state)
{
    const Case& c = kCases[state.range(0)];
    Setup setup;
    DataModel model;
    configure(model, c);
    DataLogFile file;
    DataLogger logger(model, file);
    AccessoryCommunicationDelegate delegate(model, {std::chrono::milliseconds(100), false});
    delegate.setDataLogger(&logger);
    for (int i = 0; i < 4; ++i) {
        delegate.runWorkerPass(); // identification and settings from the recordings
    }
    engine::Data recording = engine::FileUtils::getInstance()->getDataFromFile(streamName(c));
    if (recording.isNull() || !delegate.identified()) {
        state.SkipWithError("recordings not found");
        return;
    }
    model.dataLogState = kLogStartRequested;
    for (auto _ : state) {
        delegate.dataReceived(nullptr, nullptr, recording.getBytes(), static_cast<unsigned>(recording.getSize()));
        // The stores stay at their caps; the CSV grows, as it would in a long session.
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(recording.getSize()));
    state.SetLabel(streamName(c));
    logger.closeLog();
}
BENCHMARK(BM_ParseRecording)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond)->MinTime(0.5);

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_PacedPlaybackCpu(benchmark::State& state)
{
    const Case& c = kCases[state.range(0)];
    Setup setup;
    for (auto _ : state) {
        DataModel model;
        configure(model, c);
        DataLogFile file;
        DataLogger logger(model, file);
        model.dataLogState = kLogStartRequested;
        // This thread only sleeps: the process's CPU time is the worker's.
        const double cpuBefore = processCpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        {
            AccessoryCommunicationDelegate delegate(model);
            delegate.setDataLogger(&logger);
            std::this_thread::sleep_for(std::chrono::seconds(5));
            delegate.stop();
        }
        const double cpu = processCpuSeconds() - cpuBefore;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
        logger.closeLog();
    }
    state.SetLabel(streamName(c));
}
BENCHMARK(BM_PacedPlaybackCpu)->DenseRange(0, 5)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
