// The application loop with a real window: launch, minimize and restore, close.
#include "support/GlDriverPin.h"
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <SDL2/SDL.h>

#include "engine/app/Application.h"
#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "engine/scene/Scene.h"
#include "platform/Device.h"

using namespace engine;

namespace {

class ScriptedApp : public Application {
public:
    std::vector<std::string> hooks;
    int frames = 0;
    bool screenSaverBlocked = false;
    int dpi = 0;
    GLContextAttrs requested{8, 8, 8, 8, 24, 8};

    void initGLContextAttrs() override
    {
        hooks.push_back("attrs");
        GLView::setGLContextAttrs(requested);
    }
    bool applicationDidFinishLaunching() override
    {
        hooks.push_back("launch");
        // The device services are wired to SDL before the launch hook runs.
        Device::setKeepScreenOn(true);
        screenSaverBlocked = SDL_IsScreenSaverEnabled() == SDL_FALSE;
        dpi = Device::getDPI();
        auto* view = GLViewImpl::createWithRect("Nolvo", Rect(0, 0, 960, 640), 1.0f);
        if (!view) return false;
        Director::getInstance()->setOpenGLView(view);
        setAnimationInterval(1.0f / 60.0f);
        Scene* scene = Scene::create();
        scene->schedule([this, view](float) { step(view); }, "script");
        Director::getInstance()->runWithScene(scene);
        return true;
    }
    void applicationDidEnterBackground() override
    {
        hooks.push_back("background");
        Director::getInstance()->stopAnimation();
    }
    void applicationWillEnterForeground() override
    {
        hooks.push_back("foreground");
        Director::getInstance()->startAnimation();
    }

private:
    void step(GLViewImpl* view)
    {
        ++frames;
        SDL_Event e{};
        if (frames == 3) {
            // The restore waits in the queue while the minimized loop sleeps on it.
            e.type = SDL_WINDOWEVENT;
            e.window.event = SDL_WINDOWEVENT_RESTORED;
            SDL_PushEvent(&e);
            SDL_Event minimize = e;
            minimize.window.event = SDL_WINDOWEVENT_MINIMIZED;
            view->handleSDLEvent(minimize);
        } else if (frames == 6) {
            e.type = SDL_QUIT;
            SDL_PushEvent(&e);
        }
    }
};

TEST(ApplicationTest, RunsUntilClosedAndCallsTheLifecycleHooksInOrder)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    setenv("LP_NUM_THREADS", "0", 0);
    nolvo::test::pinGlDriver();
    const char* display = std::getenv("DISPLAY");
    ASSERT_TRUE(display && *display) << "GUI tests need an X display: run them under xvfb-run";
    ScriptedApp app;
    EXPECT_EQ(Application::getInstance(), &app);
    EXPECT_EQ(app.run(), 0);
    EXPECT_EQ(app.hooks, (std::vector<std::string>{"attrs", "launch", "background", "foreground", "background"}));
    EXPECT_GE(app.frames, 6);
    EXPECT_TRUE(app.screenSaverBlocked);
    EXPECT_GE(app.dpi, 20);  // the display's own or the 96 fallback, never 0
    // The loop left nothing running behind it.
    EXPECT_EQ(Director::getInstance()->getRunningScene(), nullptr);
    EXPECT_EQ(Director::getInstance()->getOpenGLView(), nullptr);
    EXPECT_EQ(Device::getDPI(), Device::kFallbackDpi);
}

TEST(ApplicationTest, FailedLaunchEndsWithAnError)
{
    struct FailingApp : Application {
        bool applicationDidFinishLaunching() override { return false; }
        void applicationDidEnterBackground() override {}
        void applicationWillEnterForeground() override {}
    } app;
    EXPECT_EQ(app.run(), 1);
}

} // namespace
