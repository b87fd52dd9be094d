// engine-gallery: shows every node kind and widget of the engine on one screen.
//   engine-gallery [--animate] [--frames N] [--screenshot FILE]
// --frames ends after N frames; --screenshot saves the first frame as PNG (and ends when
// --frames is not given).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "GalleryImages.h"
#include "GalleryScene.h"
#include "engine/app/Application.h"
#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "engine/renderer/CaptureScreen.h"
#include "platform/FileUtils.h"

namespace {

class GalleryApp : public engine::Application {
public:
    bool animate = false;
    long frames = -1;
    std::string screenshot;
    gallery::GalleryImages images;
    int status = 0;

    void initGLContextAttrs() override { engine::GLView::setGLContextAttrs(engine::GLContextAttrs{}); }

    bool applicationDidFinishLaunching() override
    {
        using namespace engine;
        FileUtils::getInstance()->setSearchPaths({"res", ""});
        if (!images.create()) {
            std::fprintf(stderr, "engine-gallery: cannot write the gallery images\n");
            return false;
        }
        auto* view = GLViewImpl::createWithRect("Engine gallery", Rect(0, 0, 960, 640), 1.0f);
        if (!view) return false;
        Director* director = Director::getInstance();
        director->setOpenGLView(view);
        setAnimationInterval(1.0f / 60.0f);
        auto* scene = gallery::GalleryScene::create(images, animate);
        if (!scene) return false;
        director->runWithScene(scene);
        if (!screenshot.empty()) {
            utils::captureScreen(
                [this](bool ok, const std::string& path) {
                    std::printf("screenshot %s: %s\n", ok ? "saved" : "failed", path.c_str());
                    if (!ok) status = 1;
                    if (frames < 0) Director::getInstance()->end();
                },
                screenshot);
        }
        if (frames >= 0) {
            scene->schedule(
                [this](float) {
                    if (--frames <= 0) engine::Director::getInstance()->end();
                },
                "frames");
        }
        return true;
    }
    void applicationDidEnterBackground() override { engine::Director::getInstance()->stopAnimation(); }
    void applicationWillEnterForeground() override { engine::Director::getInstance()->startAnimation(); }
};

} // namespace

int main(int argc, char** argv)
{
    GalleryApp app;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--animate") == 0) {
            app.animate = true;
        } else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            app.frames = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            app.screenshot = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--animate] [--frames N] [--screenshot FILE]\n", argv[0]);
            return 2;
        }
    }
    const int rc = app.run();
    return rc != 0 ? rc : app.status;
}
