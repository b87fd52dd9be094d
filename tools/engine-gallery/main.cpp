// engine-gallery: shows every node kind and widget of the engine on two pages (Tab switches).
//   engine-gallery [--animate] [--page 1|2] [--frames N] [--screenshot FILE]
// --page chooses the first page shown; --frames ends after N frames; --screenshot saves the
// first frame as PNG (and ends when --frames is not given).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "GalleryImages.h"
#include "GalleryPages.h"
#include "engine/app/Application.h"
#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "engine/base/Scheduler.h"
#include "engine/renderer/CaptureScreen.h"
#include "platform/FileUtils.h"

namespace {

class GalleryApp : public engine::Application {
public:
    bool animate = false;
    int firstPage = 0;
    long frames = -1;
    std::string screenshot;
    gallery::GalleryImages images;
    std::unique_ptr<gallery::GalleryPages> pages;
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
        pages = std::make_unique<gallery::GalleryPages>(images, animate);
        if (!pages->show(firstPage)) return false;
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
            // Counted by the director's scheduler, not a page's: pages come and go.
            director->getScheduler()->schedule(
                [this](float) {
                    if (--frames <= 0) engine::Director::getInstance()->end();
                },
                this, 0.0f, false, "frames");
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
        } else if (std::strcmp(argv[i], "--page") == 0 && i + 1 < argc) {
            app.firstPage = std::strtol(argv[++i], nullptr, 10) == 2 ? 1 : 0;
        } else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            app.frames = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            app.screenshot = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--animate] [--page 1|2] [--frames N] [--screenshot FILE]\n", argv[0]);
            return 2;
        }
    }
    const int rc = app.run();
    return rc != 0 ? rc : app.status;
}
