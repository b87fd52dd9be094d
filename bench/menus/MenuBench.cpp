// What a menu costs:
//   - BM_OpenMenu/<id>: from the bar's request to the first frame drawn with the menu on screen
//     (the menu made with all its rows, laid out, placed, rendered and the GL work finished);
//     target 8 ms. Measured as the process's CPU time with Mesa's software renderer working in
//     this thread (LP_NUM_THREADS=0), so that a busy machine does not count; "wallMs" is the
//     elapsed time as well. The images and glyphs are cached after the first open of the run, as
//     they are in the program; "coldMs" is that first open (CPU).
//   - BM_IdleFramesWithMenuOpen: frames run with a menu open and nothing changing; the counter
//     "rendered" must stay 0 (an idle frame is visited but not redrawn).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

#include <GL/glew.h>

#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "engine/scene/Scene.h"
#include "menus/MenuController.h"
#include "menus/MenuLayer.h"
#include "model/DataModel.h"
#include "platform/FileUtils.h"

namespace {

using namespace nolvo;
using engine::Director;
using Clock = std::chrono::steady_clock;

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

engine::Scene* scene(benchmark::State& state)
{
    static engine::Scene* running = nullptr;
    if (running) return running;
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    setenv("LP_NUM_THREADS", "0", 1);
    engine::FileUtils::getInstance()->setSearchPaths({"res/desktop/sd", "res", ""});
    auto* view = engine::GLViewImpl::createWithRect("menu bench", engine::Rect(0, 0, 960, 640), 1.0f, false);
    if (!view) {
        state.SkipWithError(("no GL window: " + engine::GLViewImpl::getLastError()).c_str());
        return nullptr;
    }
    Director::getInstance()->setOpenGLView(view);
    running = engine::Scene::create();
    Director::getInstance()->runWithScene(running);
    MenuController::getInstance()->attach(running);
    Director::getInstance()->mainLoop();
    return running;
}

struct Cost {
    double cpu = 0.0;
    double wall = 0.0;
    double build = 0.0; // CPU of making, laying out and placing the menu, before drawing
};

Cost openOnce(int id)
{
    MenuController* controller = MenuController::getInstance();
    const double cpu = processCpuSeconds();
    const auto begin = Clock::now();
    controller->showMenu(id, engine::Rect(500, 0, 58, 60));
    const double built = processCpuSeconds();
    Director::getInstance()->renderFrame();
    glFinish();
    const Cost cost{processCpuSeconds() - cpu, std::chrono::duration<double>(Clock::now() - begin).count(), built - cpu};
    controller->closeMenu(false);
    return cost;
}

void BM_OpenMenu(benchmark::State& state)
{
    if (!scene(state)) return;
    const int id = static_cast<int>(state.range(0));
    state.counters["coldMs"] = openOnce(id).cpu * 1000.0;
    double wall = 0.0;
    double build = 0.0;
    for (auto _ : state) {
        const Cost cost = openOnce(id);
        wall += cost.wall;
        build += cost.build;
        state.SetIterationTime(cost.cpu);
    }
    state.counters["wallMs"] = wall * 1000.0 / static_cast<double>(state.iterations());
    state.counters["buildMs"] = build * 1000.0 / static_cast<double>(state.iterations());
}

// The same full-window frame drawn in software without any menu: the share of BM_OpenMenu that is
// the renderer's, not the menu's.
void BM_FrameWithoutMenu(benchmark::State& state)
{
    if (!scene(state)) return;
    for (auto _ : state) {
        const double cpu = processCpuSeconds();
        Director::getInstance()->renderFrame();
        glFinish();
        state.SetIterationTime(processCpuSeconds() - cpu);
    }
}
BENCHMARK(BM_FrameWithoutMenu)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenMenu)
    ->Arg(kSpectrumMenu)
    ->Arg(kCursorsMenu)
    ->Arg(kSpectrumMeasureMenu)
    ->Arg(kSpectrumColorMenu)
    ->Arg(kSettingsMenu)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_IdleFramesWithMenuOpen(benchmark::State& state)
{
    if (!scene(state)) return;
    MenuController* controller = MenuController::getInstance();
    controller->showMenu(kSpectrumMenu, engine::Rect(500, 0, 58, 60));
    // Let the fade-in finish and the first refresh draw.
    for (int i = 0; i < 30; ++i) Director::getInstance()->mainLoop();
    const auto before = Director::getInstance()->getRenderedFrames();
    std::int64_t frames = 0;
    for (auto _ : state) {
        Director::getInstance()->mainLoop();
        ++frames;
    }
    state.counters["rendered"] = static_cast<double>(Director::getInstance()->getRenderedFrames() - before);
    state.counters["frames"] = static_cast<double>(frames);
    controller->closeMenu(false);
}
BENCHMARK(BM_IdleFramesWithMenuOpen)->Unit(benchmark::kMicrosecond);

} // namespace
