// Frame cost of a busy screen, and the CPU a still screen uses while the loop runs at 60 Hz.
// Both open a 960 x 640 window: run under Xvfb with Mesa llvmpipe.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <GL/glew.h>
#include <time.h>

#include "GalleryImages.h"
#include "GalleryScene.h"
#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/renderer/Texture2D.h"
#include "engine/scene/DrawNode.h"
#include "engine/scene/Scene.h"
#include "engine/scene/Sprite.h"
#include "engine/text/Label.h"
#include "platform/FileUtils.h"

using namespace engine;

namespace {

bool openWindow(benchmark::State& state)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    FileUtils::getInstance()->setSearchPaths({"res", ""});
    auto* view = GLViewImpl::createWithRect("engine bench", Rect(0, 0, 960, 640), 1.0f, false);
    if (!view) {
        state.SkipWithError(("no GL window: " + GLViewImpl::getLastError()).c_str());
        return false;
    }
    Director::getInstance()->setOpenGLView(view);
    return true;
}

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

Texture2D* solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h * 4);
    for (std::size_t i = 0; i < px.size(); i += 4) {
        px[i] = r;
        px[i + 1] = g;
        px[i + 2] = b;
        px[i + 3] = 255;
    }
    auto* t = new Texture2D();
    t->initWithData(px.data(), px.size(), Texture2D::PixelFormat::RGBA8888, w, h, Size(float(w), float(h)));
    t->autorelease();
    return t;
}

// 1,000 moving sprites, 50 labels (5 of them get new text each frame), five 512-point polylines
// redrawn with new values and one 512 x 512 texture uploaded whole each frame. Each iteration is
// one full frame: update, visit, render, present, and glFinish so the GPU work is counted.
void BM_BusyFrame(benchmark::State& state)
{
    if (!openWindow(state)) return;
    Director* director = Director::getInstance();
    Scene* scene = Scene::create();
    director->runWithScene(scene);
    Texture2D* spriteTexture = solid(16, 16, 200, 120, 40);
    std::vector<Sprite*> sprites;
    for (int i = 0; i < 1000; ++i) {
        Sprite* s = Sprite::createWithTexture(spriteTexture);
        s->setPosition(static_cast<float>((i * 37) % 960), static_cast<float>((i * 91) % 640));
        scene->addChild(s);
        sprites.push_back(s);
    }
    std::vector<Label*> labels;
    for (int i = 0; i < 50; ++i) {
        Label* l = Label::createWithTTF("@dBm: -" + std::to_string(50 + i) + ".00dBm", "fonts/roboto/Roboto-Regular.ttf", 14);
        l->setPosition(static_cast<float>(80 + (i % 5) * 180), static_cast<float>(20 + (i / 5) * 60));
        scene->addChild(l);
        labels.push_back(l);
    }
    std::vector<DrawNode*> traces;
    for (int i = 0; i < 5; ++i) {
        traces.push_back(DrawNode::create());
        scene->addChild(traces.back());
    }
    std::vector<std::uint8_t> pixels(512 * 512 * 4, 0);
    auto* texture = new Texture2D();
    texture->initWithData(pixels.data(), pixels.size(), Texture2D::PixelFormat::RGBA8888, 512, 512, Size(512, 512));
    Sprite* waterfall = Sprite::createWithTexture(texture);
    texture->release();
    waterfall->setPosition(480, 320);
    waterfall->setOpacity(128);
    scene->addChild(waterfall);
    director->mainLoop();

    std::vector<Vec2> points(512);
    std::vector<double> frameMs;
    int frame = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        ++frame;
        for (std::size_t i = 0; i < sprites.size(); ++i) {
            sprites[i]->setPosition(static_cast<float>((i * 37 + frame) % 960), sprites[i]->getPositionY());
        }
        for (int i = 0; i < 5; ++i) {
            labels[(frame * 5 + i) % 50]->setString("@dBm: -" + std::to_string(frame % 100) + "." + std::to_string(i) + "0dBm");
        }
        for (int t = 0; t < 5; ++t) {
            for (int i = 0; i < 512; ++i) {
                points[i] = Vec2(i * 960.0f / 511.0f, 100.0f + t * 100.0f + 40.0f * std::sin(0.05f * i + 0.1f * frame + t));
            }
            traces[t]->clear();
            traces[t]->drawPoly(points.data(), 512, false, Color4F(0.2f * t, 1, 0.5f, 1));
        }
        const auto shade = static_cast<std::uint8_t>(frame);
        for (std::size_t i = 0; i < pixels.size(); i += 4) {
            pixels[i] = shade;
            pixels[i + 1] = static_cast<std::uint8_t>(i >> 12);
            pixels[i + 3] = 255;
        }
        texture->updateWithData(pixels.data(), 0, 0, 512, 512);
        director->mainLoop();
        glFinish();
        frameMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(frameMs.begin(), frameMs.end());
    state.counters["median_ms"] = frameMs.empty() ? 0.0 : frameMs[frameMs.size() / 2];
    state.counters["p90_ms"] = frameMs.empty() ? 0.0 : frameMs[frameMs.size() * 9 / 10];
    director->purge();
}
BENCHMARK(BM_BusyFrame)->Unit(benchmark::kMillisecond)->Iterations(300);

// Cost of giving a label new text: shaping, glyph rendering and the texture upload (it is drawn
// on the next frame, which this does not include).
void BM_LabelNewText(benchmark::State& state)
{
    if (!openWindow(state)) return;
    Label* label = Label::createWithTTF("@dBm: -100.00dBm", "fonts/roboto/Roboto-Regular.ttf", 14);
    label->retain();
    int i = 0;
    for (auto _ : state) {
        label->setString("@dBm: -" + std::to_string(i++ % 1000) + ".00dBm");
        benchmark::DoNotOptimize(label->getContentSize());
    }
    label->release();
    Director::getInstance()->purge();
}
BENCHMARK(BM_LabelNewText)->Unit(benchmark::kMicrosecond);

// The still gallery in a 60 Hz loop paced like Application::run, for five seconds: the share of
// one core the process uses (updates run every frame; nothing is rendered or presented).
void BM_StillGalleryCpu(benchmark::State& state)
{
    if (!openWindow(state)) return;
    gallery::GalleryImages images;
    if (!images.create()) {
        state.SkipWithError("cannot write gallery images");
        return;
    }
    Director* director = Director::getInstance();
    director->runWithScene(gallery::GalleryScene::create(images, false));
    auto* view = static_cast<GLViewImpl*>(director->getOpenGLView());
    for (int i = 0; i < 10; ++i) director->mainLoop();  // settle: first frames draw
    double cpuPercent = 0.0;
    std::uint64_t rendered = 0;
    for (auto _ : state) {
        using Clock = std::chrono::steady_clock;
        const auto interval = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / 60.0));
        const double cpu0 = processCpuSeconds();
        const auto wall0 = Clock::now();
        const auto rendered0 = director->getRenderedFrames();
        auto next = wall0;
        while (Clock::now() - wall0 < std::chrono::seconds(5)) {
            view->pollEvents();
            director->mainLoop();
            next += interval;
            std::this_thread::sleep_until(next);
        }
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        cpuPercent = 100.0 * (processCpuSeconds() - cpu0) / wall;
        rendered = director->getRenderedFrames() - rendered0;
    }
    state.counters["cpu_percent"] = cpuPercent;
    state.counters["frames_rendered"] = static_cast<double>(rendered);
    director->purge();
}
BENCHMARK(BM_StillGalleryCpu)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
