// The program's start-up time to its first drawn frame, and what a running demo session costs in
// CPU and memory. Both run the real AppDelegate through Application::run, as `nolvo` does.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include <sys/resource.h>

#include "app/AppDelegate.h"
#include "app/MainScene.h"
#include "engine/app/Director.h"

namespace {

using Clock = std::chrono::steady_clock;

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Resident set size now, in MB (from /proc/self/statm).
double residentMb()
{
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0.0;
    long pages = 0;
    long resident = 0;
    const int n = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    if (n != 2) return 0.0;
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

// Launch hook to the first frame rendered and presented.
void BM_StartupToFirstFrame(benchmark::State& state)
{
    for (auto _ : state) {
        nolvo::AppDelegate app;
        Clock::time_point firstFrame{};
        const auto begin = Clock::now();
        app.setBeforeLinkHook([&] {
            engine::Director::getInstance()->addAfterDrawCallback([&] {
                if (firstFrame == Clock::time_point{}) firstFrame = Clock::now();
                engine::Director::getInstance()->end();
            });
        });
        const int status = app.run();
        app.shutdown();
        if (status != 0 || firstFrame == Clock::time_point{}) {
            state.SkipWithError("the program did not draw a frame");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(firstFrame - begin).count());
    }
}
BENCHMARK(BM_StartupToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Demo playback with the window open at 60 frames per second for state.range(0) seconds: process
// CPU time as a share of one core, and the resident memory at the end.
void BM_DemoSession(benchmark::State& state)
{
    const double seconds = static_cast<double>(state.range(0));
    double cpuShare = 0.0;
    double rss = 0.0;
    double peakRss = 0.0;
    for (auto _ : state) {
        nolvo::AppDelegate app;
        double cpuStart = 0.0;
        Clock::time_point wallStart{};
        app.setBeforeLinkHook([&] {
            app.scene()->schedule(
                [&](float) {
                    const auto now = Clock::now();
                    if (wallStart == Clock::time_point{}) {
                        // Measure from the first running frame: start-up is benchmarked above.
                        wallStart = now;
                        cpuStart = processCpuSeconds();
                        return;
                    }
                    if (std::chrono::duration<double>(now - wallStart).count() >= seconds) {
                        cpuShare = (processCpuSeconds() - cpuStart) / std::chrono::duration<double>(now - wallStart).count();
                        rss = residentMb();
                        engine::Director::getInstance()->end();
                    }
                },
                "bench");
        });
        const auto begin = Clock::now();
        const int status = app.run();
        app.shutdown();
        if (status != 0 || rss == 0.0) {
            state.SkipWithError("the session did not run");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        peakRss = static_cast<double>(usage.ru_maxrss) / 1024.0;
    }
    state.counters["cpu_share_of_one_core"] = cpuShare;
    state.counters["rss_MB"] = rss;
    state.counters["peak_rss_MB"] = peakRss;
}
BENCHMARK(BM_DemoSession)->Arg(20)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
