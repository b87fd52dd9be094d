// A 2,048-row table of eight labels a row in a 960 x 640 window (Xvfb + Mesa llvmpipe):
// the frame time while it scrolls by one row per frame, the time reloadData takes for the rows
// in view, and the cells and memory it holds for 100 and for 2,048 rows.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <GL/glew.h>
#include <unistd.h>

#include "LabelTable.h"
#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/renderer/Renderer.h"
#include "engine/scene/Scene.h"
#include "engine/text/GlyphAtlas.h"
#include "platform/FileUtils.h"

using namespace engine;
using gallery::LabelTable;

namespace {

using Clock = std::chrono::steady_clock;

bool openTableWindow(benchmark::State& state)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    FileUtils::getInstance()->setSearchPaths({"res", ""});
    auto* view = GLViewImpl::createWithRect("table bench", Rect(0, 0, 960, 640), 1.0f, false);
    if (!view) {
        state.SkipWithError(("no GL window: " + GLViewImpl::getLastError()).c_str());
        return false;
    }
    Director::getInstance()->setOpenGLView(view);
    return true;
}

double residentMiB()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double median(std::vector<double> v)
{
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double percentile95(std::vector<double> v)
{
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, v.size() * 95 / 100)];
}

// A full-window table (900 x 600, 23 rows in view) on a running scene.
extension::TableView* showTable(LabelTable& rows)
{
    Scene* scene = Scene::create();
    Director::getInstance()->runWithScene(scene);
    extension::TableView* table = rows.createTable(Size(900, 600));
    table->setPosition(30, 20);
    scene->addChild(table);
    for (int i = 0; i < 3; ++i) Director::getInstance()->mainLoop();
    return table;
}

// One iteration = one frame: the table moves one row, then update, visit, render, present and
// glFinish (so that llvmpipe's drawing is counted).
void BM_TableScrollOneRowPerFrame(benchmark::State& state)
{
    if (!openTableWindow(state)) return;
    LabelTable rows(2048, 8, 900);
    extension::TableView* table = showTable(rows);
    Director* director = Director::getInstance();
    const float top = table->minContainerOffset().y;
    float y = top;
    std::vector<double> ms, moveMs, loopMs;
    GlyphAtlas* atlas = GlyphAtlas::getInstance();
    const std::size_t texturesBefore = atlas->getTextureCreations();
    const std::size_t glyphsBefore = atlas->getRasterisedCount();
    for (auto _ : state) {
        const auto t0 = Clock::now();
        y += LabelTable::kRowHeight;
        if (y > 0.0f) y = top;
        table->setContentOffset(Vec2(0, y));
        const auto t1 = Clock::now();
        director->mainLoop();
        const auto t2 = Clock::now();
        glFinish();
        const auto t3 = Clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t3 - t0).count());
        moveMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        loopMs.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    }
    state.counters["frame_median_ms"] = median(ms);
    state.counters["frame_p95_ms"] = percentile95(ms);
    // Parts of the median frame: moving the table (cells recycled, new texts set), and the
    // director's frame (labels laid out, visit, render, present) before glFinish.
    state.counters["move_median_ms"] = median(moveMs);
    state.counters["loop_median_ms"] = median(loopMs);
    state.counters["cells_made"] = rows.cellsMade();
    state.counters["draw_calls"] = static_cast<double>(director->getRenderer()->getDrawCallCount());
    // Glyph atlas work while scrolling: textures created and glyphs rasterised after the first
    // frames (digits and letters already seen cost nothing).
    state.counters["atlas_textures_made"] = static_cast<double>(atlas->getTextureCreations() - texturesBefore);
    state.counters["glyphs_rasterised"] = static_cast<double>(atlas->getRasterisedCount() - glyphsBefore);
    director->purge();
}
BENCHMARK(BM_TableScrollOneRowPerFrame)->Unit(benchmark::kMillisecond)->Iterations(600);

// reloadData with 2,048 rows: the rows in view are asked for again (eight new label texts each).
void BM_TableReloadVisibleRows(benchmark::State& state)
{
    if (!openTableWindow(state)) return;
    LabelTable rows(2048, 8, 900);
    extension::TableView* table = showTable(rows);
    table->setContentOffset(Vec2(0, table->minContainerOffset().y + 1000 * LabelTable::kRowHeight));
    std::vector<double> ms, withFrame;
    Director* director = Director::getInstance();
    for (auto _ : state) {
        const auto t0 = Clock::now();
        table->reloadData();
        const auto t1 = Clock::now();
        // Labels lay out their new text when next measured or drawn: count that too.
        director->mainLoop();
        glFinish();
        const auto t2 = Clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        withFrame.push_back(std::chrono::duration<double, std::milli>(t2 - t0).count());
    }
    state.counters["reload_median_ms"] = median(ms);
    state.counters["reload_and_frame_median_ms"] = median(withFrame);
    state.counters["cells_in_view"] = static_cast<double>(table->getCellsInUseCount());
    Director::getInstance()->purge();
}
BENCHMARK(BM_TableReloadVisibleRows)->Unit(benchmark::kMillisecond)->Iterations(200);

// Cells and resident memory after scrolling through every row once, for 100 and 2,048 rows.
void BM_TableMemoryByRowCount(benchmark::State& state)
{
    if (!openTableWindow(state)) return;
    const auto count = static_cast<ssize_t>(state.range(0));
    double cells = 0.0, rssMiB = 0.0, made = 0.0, liveRefs = 0.0;
    for (auto _ : state) {
        LabelTable rows(count, 8, 900);
        extension::TableView* table = showTable(rows);
        for (float y = table->minContainerOffset().y; y <= 0.0f; y += LabelTable::kRowHeight) {
            table->setContentOffset(Vec2(0, y));
            Director::getInstance()->mainLoop();
        }
        cells = static_cast<double>(table->getCellsInUseCount() + table->getCellsFreeCount());
        made = rows.cellsMade();
        rssMiB = residentMiB();
        liveRefs = static_cast<double>(Ref::getLiveCount());
        Director::getInstance()->purge();
        if (!openTableWindow(state)) return;
    }
    state.counters["cells_held"] = cells;
    state.counters["cells_made"] = made;
    state.counters["live_refs"] = liveRefs;
    state.counters["rss_MiB"] = rssMiB;
    Director::getInstance()->purge();
}
BENCHMARK(BM_TableMemoryByRowCount)->Arg(100)->Arg(2048)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
