// One frame of the power view with 100 persisted 240-sample traces: the layer's update, the
// persistence pass, the vertex copy and the GL drawing (finished with glFinish), in a real
// window. Needs a display (Xvfb) and a GL driver.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include <GL/glew.h>

#include "display/PowerLayer.h"
#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "engine/scene/Scene.h"
#include "model/DataModel.h"

namespace {

using namespace nolvo;

void BM_PowerFrameHundredTraces(benchmark::State& state)
{
    engine::GLViewImpl* view = engine::GLViewImpl::createWithRect("power bench", engine::Rect(0, 0, 960, 640), 1.0f, false);
    if (!view) {
        state.SkipWithError("no GL window (run under a display)");
        return;
    }
    engine::Director* director = engine::Director::getInstance();
    director->setOpenGLView(view);
    engine::Scene* scene = engine::Scene::create();
    director->runWithScene(scene);

    DataModel model;
    model.power.persistence = 1.0e6f; // nothing fades out during the run
    model.powerStore.timePerDivision = {1e-5f};
    model.power.timeScaleIndex = 0;
    model.deviceInfo.rollThreshold = -1;
    for (int t = 0; t < state.range(0); ++t) {
        std::vector<float> trace(240);
        for (int i = 0; i < 240; ++i) trace[static_cast<std::size_t>(i)] = -30.0f + 8.0f * std::sin(0.1f * (i + t));
        model.powerStore.live.history.push_back(trace);
    }
    PowerLayer* layer = PowerLayer::createWithModel(model);
    layer->setContentSize(engine::Size(958, 574));
    layer->setPosition(1, 65);
    scene->addChild(layer);
    layer->update(1.0f / 60.0f); // converts the 100 traces once, as they arrive in the program
    director->renderFrame();

    for (auto _ : state) {
        layer->update(1.0f / 60.0f);
        director->renderFrame();
        glFinish();
    }
    state.counters["traces"] = static_cast<double>(layer->traceBatches().size());
    director->purge();
}
BENCHMARK(BM_PowerFrameHundredTraces)->Arg(0)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

} // namespace
