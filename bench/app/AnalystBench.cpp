// The details popover in the real main scene with the list full (2,048 access points): opening it
// for one access point (its row, history track and vendor looked up, the text laid out, the
// popover placed and the outline highlighted; target 3 ms), without the GL draw of the frame that
// shows it.
//
//   XDG_CONFIG_HOME=$(mktemp -d) XDG_DATA_HOME=$(mktemp -d) LIBGL_ALWAYS_SOFTWARE=1 \
//     xvfb-run -a -s "-screen 0 1280x1024x24" build/release/bench/app/analyst_bench

#include <benchmark/benchmark.h>

#include "app/AnalystTools.h"
#include "app/MainScene.h"
#include "display/SSIDLayer.h"
#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "engine/base/AutoreleasePool.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/VendorRegistry.h"
#include "platform/FileUtils.h"

namespace {

using namespace nolvo;
using namespace engine;

struct Fixture {
    DataModel& model = *DataModel::getInstance();
    MainScene* scene = nullptr;
    AnalystTools* tools = nullptr;
    Bssid target{};

    Fixture()
    {
        FileUtils::getInstance()->setSearchPaths({"res/desktop/sd", "res", ""});
        auto* view = GLViewImpl::createWithRect("analyst bench", Rect(0, 0, 960, 640), 1.0f, true);
        if (!view) return;
        Director::getInstance()->setOpenGLView(view);
        scene = MainScene::create();
        Director::getInstance()->runWithScene(scene);
        AccessPointBatch batch;
        for (std::size_t i = 0; i < AccessPointList::kMaxEntries; ++i) {
            auto ap = std::make_unique<AccessPoint>();
            ap->bssid = {0x00, 0x00, 0x0C, static_cast<std::uint8_t>(i >> 16), static_cast<std::uint8_t>(i >> 8),
                         static_cast<std::uint8_t>(i)};
            ap->setSsid("network-" + std::to_string(i * 7919 % 10007));
            ap->channel = static_cast<std::uint16_t>(1 + i % 13);
            ap->channelWidth = 20;
            ap->rssi = -30.0f - static_cast<float>(i % 60);
            ap->security = static_cast<std::int32_t>(i % 5);
            ap->modes = 0x07;
            batch.push_back(std::move(ap));
        }
        model.storeAccessPointScan(batch); // the history hears them too
        VendorRegistry::shared().waitUntilLoaded();
        for (int i = 0; i < 3; ++i) Director::getInstance()->mainLoop();
        tools = scene->analystTools();
        ModelLock lock(model, kAccessPointLock);
        target = model.accessPoints[1000].bssid;
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_OpenDetails2048(benchmark::State& state)
{
    Fixture& f = fixture();
    if (!f.tools) {
        state.SkipWithError("no window");
        return;
    }
    for (auto _ : state) {
        if (!f.tools->openDetails(f.target)) {
            state.SkipWithError("access point not found");
            return;
        }
        state.PauseTiming();
        f.tools->closeDetails();
        AutoreleasePool::getInstance()->clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenDetails2048)->Unit(benchmark::kMicrosecond);

} // namespace
