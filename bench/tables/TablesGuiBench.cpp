// The access-point table in a real window with the list full (2,048 entries): a reload (snapshot
// under the list lock, rows, the table view refilling its visible cells; target 2 ms) and one
// frame of scrolling (the table moved by three rows and the cells that came into view filled;
// target 4 ms). Both without the GL draw, which the software rasteriser of a test machine
// dominates; BM_ScrollFrameDrawn adds it for reference.

#include <benchmark/benchmark.h>

#include <memory>

#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "engine/scene/Scene.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "platform/FileUtils.h"
#include "tables/SSIDTableLayer.h"

namespace {

using namespace nolvo;
using namespace engine;

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

// One window and one table for all benchmarks of this program.
struct Fixture {
    DataModel& model = *DataModel::getInstance();
    SSIDTableLayer* table = nullptr;

    Fixture()
    {
        FileUtils::getInstance()->setSearchPaths({"res/desktop/sd", "res", ""});
        auto* view = GLViewImpl::createWithRect("tables bench", Rect(0, 0, 960, 640), 1.0f, true);
        if (!view) return;
        Director::getInstance()->setOpenGLView(view);
        Scene* scene = Scene::create();
        Director::getInstance()->runWithScene(scene);
        fill(model, AccessPointList::kMaxEntries);
        table = SSIDTableLayer::create(model, Rect(0, 60, 960, 580));
        scene->addChild(table);
        Director::getInstance()->mainLoop();
        reload();
        Director::getInstance()->mainLoop();
    }
    void reload()
    {
        ModelLock lock(model, kAccessPointLock);
        model.sortAccessPoints(SpectrumSettings::kSortRssi, true);
        table->reload();
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_Reload2048(benchmark::State& state)
{
    Fixture& f = fixture();
    if (!f.table) {
        state.SkipWithError("no window");
        return;
    }
    for (auto _ : state) f.reload();
}
BENCHMARK(BM_Reload2048)->Unit(benchmark::kMicrosecond);

void BM_ScrollFrame(benchmark::State& state)
{
    Fixture& f = fixture();
    if (!f.table) {
        state.SkipWithError("no window");
        return;
    }
    const float step = 3 * f.table->metrics().rowHeight;
    float direction = 1.0f;
    for (auto _ : state) {
        const float before = f.table->tableView()->getContentOffset().y;
        f.table->scrollBy(direction * step);
        if (f.table->tableView()->getContentOffset().y == before) direction = -direction; // turn at the ends
    }
}
BENCHMARK(BM_ScrollFrame)->Unit(benchmark::kMicrosecond);

void BM_ScrollFrameDrawn(benchmark::State& state)
{
    Fixture& f = fixture();
    if (!f.table) {
        state.SkipWithError("no window");
        return;
    }
    const float step = 3 * f.table->metrics().rowHeight;
    float direction = 1.0f;
    for (auto _ : state) {
        const float before = f.table->tableView()->getContentOffset().y;
        f.table->scrollBy(direction * step);
        if (f.table->tableView()->getContentOffset().y == before) direction = -direction;
        Director::getInstance()->mainLoop();
    }
}
BENCHMARK(BM_ScrollFrameDrawn)->Unit(benchmark::kMillisecond);

} // namespace
