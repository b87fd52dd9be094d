// Screenshot helper: draws the program's first screen (heat-map trace, access-point overlay, demo
// watermark, menu bar) from a fixed set of sweeps and access points and writes it as a PNG, so two
// builds can be compared pixel for pixel:
//   LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 960x640x24" render_fixed_frame OUT.png
// The sweeps come from the Wi-Fi demo scene with a fixed seed; the access points are settled (the
// overlay shows their received strength), so nothing depends on the clock.
// With --layers it then prints, for each layer of the scene drawn alone, the draw calls, the
// fragments that reached the window (an occlusion query) and the time to render it, so the cost of
// a full frame can be put to the layers that make it.
#include <GL/glew.h>

#include <cxxabi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "accessory/sim/DemoScene.h"
#include "app/MainScene.h"
#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "engine/platform/FileUtils.h"
#include "engine/renderer/CaptureScreen.h"
#include "engine/renderer/Renderer.h"
#include "engine/scene/Scene.h"
#include "model/DataModel.h"

namespace {

using namespace nolvo;

struct FixedAccessPoint {
    const char* ssid;
    int band;
    std::uint8_t modes;
    int channel;
    int width;
    int secondary;
    float rssi;
    std::uint8_t colour[3];
};

const FixedAccessPoint kAccessPoints[] = {
    {"HomeNet", 0, AccessPoint::kMode11n, 1, 20, 0, -38.0f, {120, 220, 90}},
    {"Office-5F", 0, AccessPoint::kMode11n, 6, 40, 1, -52.0f, {110, 110, 255}},
    {"Guest", 0, AccessPoint::kMode11g, 11, 20, 0, -61.0f, {200, 255, 60}},
    {"OldRouter", 0, AccessPoint::kMode11b, 3, 20, 0, -70.0f, {255, 255, 255}},
    {"Flat 7", 0, AccessPoint::kMode11n, 9, 20, 0, -77.0f, {200, 80, 230}},
    {"", 0, AccessPoint::kMode11n, 13, 20, 0, -84.0f, {255, 160, 0}},
};

void fillModel(DataModel& model)
{
    model.resetSettings();
    model.deviceInfo.modelId = 7;
    model.deviceInfo.has5Spectrum = true;
    sim::DemoScene scene(sim::DemoScene::Kind::kWifi, false, 7);
    std::vector<double> frequencies(kBins24);
    for (int i = 0; i < kBins24; ++i) frequencies[static_cast<std::size_t>(i)] = 2400.0 + 100.0 * i / (kBins24 - 1);
    for (int s = 0; s < 60; ++s) {
        const std::vector<double> dbm = scene.sweep(frequencies, s, 120);
        const std::vector<float> values(dbm.begin(), dbm.end());
        model.pushSweep(kBand24, values.data(), static_cast<int>(values.size()));
    }
    AccessPointBatch batch;
    std::uint8_t last = 1;
    for (const FixedAccessPoint& fixed : kAccessPoints) {
        auto ap = std::make_unique<AccessPoint>();
        ap->bssid = {2, 0, 0, 0, 0, last++};
        ap->ssidLength = static_cast<std::uint8_t>(std::strlen(fixed.ssid));
        std::memcpy(ap->ssid, fixed.ssid, ap->ssidLength);
        ap->band = fixed.band;
        ap->modes = fixed.modes;
        ap->channel = static_cast<std::uint16_t>(fixed.channel);
        ap->channelWidth = fixed.width;
        ap->secondaryCode = fixed.secondary;
        ap->rssi = fixed.rssi;
        batch.push_back(std::move(ap));
    }
    model.accessPoints.merge(batch, 1000, {});
    std::size_t i = 0;
    for (const AccessPointPtr& entry : model.accessPoints) {
        AccessPoint& ap = *entry;
        ap.displayFrom = ap.displayLevel = ap.displayTo = ap.rssi;
        std::memcpy(ap.color, kAccessPoints[i++].colour, 3);
        ap.color[3] = 255;
    }
}

// Renders the frame `times` times; returns the fragments of the last one and the mean ms per frame.
std::pair<GLuint, double> renderCounted(engine::Director* director, int times)
{
    GLuint query = 0;
    glGenQueries(1, &query);
    GLuint samples = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < times; ++i) {
        glBeginQuery(GL_SAMPLES_PASSED, query);
        director->renderFrame();
        glEndQuery(GL_SAMPLES_PASSED);
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
    }
    glFinish();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count() / times;
    glDeleteQueries(1, &query);
    return {samples, ms};
}

void printLayerCosts(engine::Director* director)
{
    constexpr int kTimes = 20;
    engine::Scene* scene = director->getRunningScene();
    std::vector<engine::Node*> children(scene->getChildren().begin(), scene->getChildren().end());
    std::vector<bool> visible;
    for (engine::Node* child : children) visible.push_back(child->isVisible());
    const auto [allSamples, allMs] = renderCounted(director, kTimes);
    std::printf("%-34s %10s %12s %10s\n", "layer (z order)", "draw calls", "fragments", "ms/frame");
    std::printf("%-34s %10zu %12u %10.2f\n", "whole frame", director->getRenderer()->getDrawCallCount(), allSamples, allMs);
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (!visible[i]) continue;
        for (std::size_t j = 0; j < children.size(); ++j) children[j]->setVisible(j == i);
        const auto [samples, ms] = renderCounted(director, kTimes);
        int status = 0;
        char* demangled = abi::__cxa_demangle(typeid(*children[i]).name(), nullptr, nullptr, &status);
        std::string name = status == 0 && demangled ? demangled : typeid(*children[i]).name();
        std::free(demangled);
        name += " (" + std::to_string(children[i]->getLocalZOrder()) + ")";
        std::printf("%-34s %10zu %12u %10.2f\n", name.c_str(), director->getRenderer()->getDrawCallCount(), samples, ms);
    }
    for (std::size_t j = 0; j < children.size(); ++j) children[j]->setVisible(visible[j]);
}

} // namespace

int main(int argc, char** argv)
{
    const bool layers = argc == 3 && std::strcmp(argv[2], "--layers") == 0;
    if (argc != 2 && !layers) {
        std::fprintf(stderr, "usage: %s OUT.png [--layers]\n", argv[0]);
        return 2;
    }
    engine::FileUtils::getInstance()->setSearchPaths({NOLVO_RES_DIR "/desktop/sd", NOLVO_RES_DIR, ""});
    auto* view = engine::GLViewImpl::createWithRect("Nolvo", engine::Rect(0, 0, 960, 640), 1.0f, false);
    if (!view) {
        std::fprintf(stderr, "render_fixed_frame: no GL window: %s\n", engine::GLViewImpl::getLastError().c_str());
        return 1;
    }
    engine::Director* director = engine::Director::getInstance();
    director->setOpenGLView(view);
    DataModel& model = *DataModel::getInstance();
    fillModel(model);
    model.displaySizeClass.store(3);
    director->runWithScene(MainScene::create());
    for (int i = 0; i < 5; ++i) director->mainLoop();
    bool written = false;
    engine::utils::captureScreen([&written](bool ok, const std::string&) { written = ok; }, argv[1]);
    director->mainLoop();
    if (layers) printLayerCosts(director);
    director->purge();
    if (!written) {
        std::fprintf(stderr, "render_fixed_frame: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
