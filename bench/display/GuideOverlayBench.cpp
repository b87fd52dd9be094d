// Per-frame costs of the channel guide and the access-point overlay:
//   - the overlay's draw() over 2,048 access points (target 2 ms): smoothing, outlines and labels
//     refilled in list order; /1 with strengths moving so the outlines really change, /0 with
//     every strength settled (a quiet scene);
//   - a rebuild of the 5 GHz 20 MHz guide, 25 buttons (target 2 ms), with the button pool kept
//     and from an empty pool.
// Both open a 960 x 640 window: run under Xvfb with Mesa llvmpipe (see CMakeLists.txt).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "display/ChannelGuideLayer.h"
#include "display/SSIDLayer.h"
#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/math/Mat4.h"
#include "engine/scene/Scene.h"
#include "model/DataModel.h"
#include "platform/FileUtils.h"

namespace {

using namespace nolvo;
using engine::Director;

engine::Scene* openWindow(benchmark::State& state)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    engine::FileUtils::getInstance()->setSearchPaths({"res", ""});
    auto* view = engine::GLViewImpl::createWithRect("guide bench", engine::Rect(0, 0, 960, 640), 1.0f, false);
    if (!view) {
        state.SkipWithError(("no GL window: " + engine::GLViewImpl::getLastError()).c_str());
        return nullptr;
    }
    Director::getInstance()->setOpenGLView(view);
    engine::Scene* scene = engine::Scene::create();
    Director::getInstance()->runWithScene(scene);
    Director::getInstance()->renderFrame();
    return scene;
}

// 2,048 access points over both bands, half of them named, every one drawable.
void fillAccessPoints(DataModel& model)
{
    AccessPointBatch batch;
    for (int i = 0; i < 2048; ++i) {
        auto ap = std::make_unique<AccessPoint>();
        ap->band = i % 4 == 3 ? 1 : 0;
        ap->modes = static_cast<std::uint8_t>(1u << (i % 5));
        ap->channel = static_cast<std::uint16_t>(ap->band == 0 ? 1 + i % 14 : 36 + 4 * (i % 8));
        ap->channelWidth = i % 3 == 0 ? 40 : 20;
        ap->secondaryCode = i % 3;
        ap->rssi = -90.0f + static_cast<float>(i % 70);
        if (i % 2 == 0) ap->setSsid("Network " + std::to_string(i));
        ap->bssid = {0x02, 0, 0, static_cast<std::uint8_t>(i >> 16), static_cast<std::uint8_t>(i >> 8),
                     static_cast<std::uint8_t>(i)};
        batch.push_back(std::move(ap));
    }
    model.accessPoints.merge(batch, 1000, {});
}

void BM_OverlayDraw2048AccessPoints(benchmark::State& state)
{
    engine::Scene* scene = openWindow(state);
    if (!scene) return;
    {
        DataModel model;
        fillAccessPoints(model);
        SSIDLayer* layer = SSIDLayer::createWithModel(model);
        layer->setContentSize(engine::Size(958, 560));
        scene->addChild(layer);
        // The first frame creates the pools and renders every SSID once; frames after it reuse them.
        Director::getInstance()->renderFrame();
        const bool moving = state.range(0) != 0;
        if (!moving) {
            layer->update(600.0f); // one long frame settles every strength
            Director::getInstance()->renderFrame();
        }
        int frame = 0;
        for (auto _ : state) {
            if (moving) {
                // Every 20th access point is heard at a new strength, so outlines keep moving.
                state.PauseTiming();
                for (std::size_t i = static_cast<std::size_t>(frame % 20); i < model.accessPoints.size(); i += 20) {
                    AccessPoint& ap = model.accessPoints[i];
                    ap.rssi = ap.rssi > -50.0f ? -85.0f : -30.0f;
                }
                ++frame;
                state.ResumeTiming();
            }
            layer->update(1.0f / 60.0f);
            layer->draw(Director::getInstance()->getRenderer(), engine::Mat4::IDENTITY, 0);
        }
        state.counters["shapes"] = static_cast<double>(layer->shapeCount());
        state.counters["labels"] = static_cast<double>(layer->labelCount());
        layer->removeFromParent();
    }
    Director::getInstance()->purge();
}
BENCHMARK(BM_OverlayDraw2048AccessPoints)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The guide on the 5 GHz band with the 20 MHz plan (25 channels).
struct GuideFixture {
    DataModel model;
    ChannelGuideLayer* guide = nullptr;

    explicit GuideFixture(engine::Scene* scene)
    {
        model.spectrum.band = 1;
        model.spectrum.channelGuide5 = 8;
        model.spectrum.channelGuideOption = 1;
        guide = ChannelGuideLayer::createWithModel(model);
        guide->setContentSize(engine::Size(958, 560));
        scene->addChild(guide);
        Director::getInstance()->renderFrame();
    }
};

void BM_GuideRebuildPlan8PooledButtons(benchmark::State& state)
{
    engine::Scene* scene = openWindow(state);
    if (!scene) return;
    {
        GuideFixture f(scene);
        for (auto _ : state) {
            f.guide->forceRebuild();
            f.guide->refresh();
        }
        state.counters["buttons"] = static_cast<double>(f.guide->buttonCount());
        f.guide->removeFromParent();
    }
    Director::getInstance()->purge();
}
BENCHMARK(BM_GuideRebuildPlan8PooledButtons)->Unit(benchmark::kMillisecond);

void BM_GuideRebuildPlan8NewButtons(benchmark::State& state)
{
    engine::Scene* scene = openWindow(state);
    if (!scene) return;
    {
        GuideFixture f(scene);
        for (auto _ : state) {
            // No plan empties the pool; choosing plan 8 creates all 25 buttons again.
            state.PauseTiming();
            f.model.spectrum.channelGuide5 = 0;
            f.guide->refresh();
            engine::AutoreleasePool::getInstance()->clear();
            f.model.spectrum.channelGuide5 = 8;
            state.ResumeTiming();
            f.guide->refresh();
        }
        state.counters["buttons"] = static_cast<double>(f.guide->buttonCount());
        f.guide->removeFromParent();
    }
    Director::getInstance()->purge();
}
BENCHMARK(BM_GuideRebuildPlan8NewButtons)->Unit(benchmark::kMillisecond);

} // namespace
