#include "support/GlDriverPin.h"
#include "SceneTestFixture.h"

#include <cstdlib>
#include <cstring>
#include <set>

#include <SDL2/SDL.h>

#include "engine/app/Director.h"
#include "engine/renderer/CaptureScreen.h"
#include "menus/MenuController.h"
#include "model/DataModel.h"
#include "platform/Clock.h"
#include "platform/FileUtils.h"
#include "platform/UserDefault.h"

namespace nolvo::test {

using namespace engine;

std::uint64_t SceneTest::s_nowMs = 1'000'000;

void resetModel()
{
    DataModel& m = *DataModel::getInstance();
    m.resetSettings();
    m.deviceInfo = AccessoryInfo{};
    m.accessoryConnected = false;
    m.acquiringSSID = false;
    m.menuRefresh = false;
    m.inBackground = false;
    m.utilizationEditMode = false;
    m.runState = kRunning;
    m.accessPointListChanged[0] = false;
    m.accessPointListChanged[1] = false;
    m.displaySizeClass = 3;
    m.accessPoints.clear();
    m.setLogSink(nullptr);
}

void SceneTest::SetUp()
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    setenv("LP_NUM_THREADS", "0", 0);
    nolvo::test::pinGlDriver();
    const char* display = std::getenv("DISPLAY");
    ASSERT_TRUE(display && *display) << "GUI tests need an X display: run them under xvfb-run (scripts/test does)";
    UserDefault::setStoreDirectory(dir.file("config"));
    UserDefault::destroyInstance();
    FileUtils::getInstance()->setWritablePath(dir.file("data"));
    FileUtils::getInstance()->setSearchPaths({"res/desktop/sd", "res", ""});
    s_nowMs = 1'000'000;
    clock::setSource(&SceneTest::now);
    resetModel();
    view = GLViewImpl::createWithRect("Nolvo test", Rect(0, 0, 960, 640), 1.0f, true);
    ASSERT_NE(view, nullptr) << "cannot open a GL window: " << GLViewImpl::getLastError();
    Director::getInstance()->setOpenGLView(view);
}

void SceneTest::TearDown()
{
    Director::getInstance()->purge();
    MenuController::getInstance()->detach();
    clock::setSource(nullptr);
    resetModel();
    UserDefault::destroyInstance();
    UserDefault::setStoreDirectory("");
}

void SceneTest::frames(int n, std::uint64_t stepMs)
{
    for (int i = 0; i < n; ++i) {
        s_nowMs += stepMs;
        Director::getInstance()->mainLoop();
    }
}

void SceneTest::readPixels()
{
    Director::getInstance()->renderFrame();
    ASSERT_TRUE(utils::readBackBuffer(&pixels, &width, &height));
}

std::uint32_t SceneTest::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const std::size_t i = (static_cast<std::size_t>(height - 1 - y) * width + x) * 4;
    std::uint32_t rgba = 0;
    std::memcpy(&rgba, pixels.data() + i, 4);
    return rgba;
}

std::size_t SceneTest::distinctColours() const
{
    std::set<std::uint32_t> colours;
    for (std::size_t i = 0; i + 4 <= pixels.size(); i += 4) {
        std::uint32_t rgba = 0;
        std::memcpy(&rgba, pixels.data() + i, 4);
        colours.insert(rgba | 0xFF000000u);
    }
    return colours.size();
}

void SceneTest::click(float x, float y)
{
    const int viewY = static_cast<int>(view->getFrameSize().height - y);
    for (Uint32 type : {Uint32(SDL_MOUSEBUTTONDOWN), Uint32(SDL_MOUSEBUTTONUP)}) {
        SDL_Event e{};
        e.type = type;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.x = static_cast<int>(x);
        e.button.y = viewY;
        view->handleSDLEvent(e);
    }
}

void SceneTest::key(int sdlKey)
{
    for (Uint32 type : {Uint32(SDL_KEYDOWN), Uint32(SDL_KEYUP)}) {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.sym = sdlKey;
        view->handleSDLEvent(e);
    }
}

} // namespace nolvo::test
