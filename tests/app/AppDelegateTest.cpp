#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <SDL2/SDL.h>

#include "support/GlDriverPin.h"
#include "SceneTestFixture.h"
#include "accessory/AccessoryCommunication.h"
#include "app/AppDelegate.h"
#include "app/MainScene.h"
#include "engine/app/Director.h"
#include "engine/app/GLView.h"
#include "engine/renderer/PngFile.h"
#include "menus/MenuController.h"
#include "menus/ScreenLog.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "platform/Clock.h"
#include "platform/FileUtils.h"
#include "platform/UserDefault.h"

namespace nolvo::test {
namespace {

using namespace engine;

class AppDelegateTest : public SceneTest {};

TEST_F(AppDelegateTest, StartsInOrderWithSlotZeroLoadedAndTheLinkLast)
{
    // A previous session left the 5 GHz waterfall in slot 0.
    DataModel* model = DataModel::getInstance();
    model->spectrum.displayMode = 1;
    model->spectrum.waterfallTimeScale = 2;
    model->saveConfiguration(0);
    resetModel();
    ASSERT_EQ(model->spectrum.displayMode, 0);

    AppDelegate app;
    app.setStartLink(false);
    bool checked = false;
    app.setBeforeLinkHook([&] {
        checked = true;
        EXPECT_EQ(model->spectrum.displayMode, 1) << "slot 0 must be loaded before the scene runs";
        EXPECT_EQ(model->spectrum.waterfallTimeScale, 2);
        EXPECT_EQ(app.link(), nullptr) << "the link starts last";
        // The window came before the scene (which took its size) and the log (a child of the scene).
        GLView* view = Director::getInstance()->getOpenGLView();
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->getFrameSize().width, 960.0f);
        EXPECT_EQ(view->getFrameSize().height, 640.0f);
        ASSERT_NE(app.scene(), nullptr);
        EXPECT_EQ(app.scene()->getContentSize().width, 960.0f);
        EXPECT_EQ(app.scene()->getContentSize().height, 640.0f);
        ASSERT_NE(app.screenLog(), nullptr);
        EXPECT_EQ(app.screenLog()->getParent(), app.scene());
        // Over the plot and the watermark, under the tables and the menus.
        EXPECT_GT(app.screenLog()->getLocalZOrder(), MainScene::kWatermarkZOrder);
        EXPECT_LT(app.screenLog()->getLocalZOrder(), MainScene::kTableZOrder);
        EXPECT_LT(app.screenLog()->getLocalZOrder(), MenuController::kOverlayZOrder);
        EXPECT_EQ(app.screenLog()->getContentSize().width, 960.0f);
    });
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    EXPECT_TRUE(checked);
    EXPECT_EQ(model->displaySizeClass.load(), 3);
    EXPECT_EQ(FileUtils::getInstance()->getSearchPaths(), (std::vector<std::string>{"res/desktop/sd", "res", ""}));
    ASSERT_NE(app.screenLog(), nullptr);
    EXPECT_EQ(app.screenLog()->getLevelMask(), 31);
    EXPECT_FLOAT_EQ(app.screenLog()->getTimeoutMs(), 15000.0f);
    frames(2);
    EXPECT_EQ(Director::getInstance()->getRunningScene(), app.scene());
    // The model's log reaches the screen.
    model->logLine(1, "hello from the model");
    frames(1);
    EXPECT_EQ(app.screenLog()->labelCount(), 1u);
    Director::getInstance()->purge();
    app.shutdown();
}

TEST_F(AppDelegateTest, ADamagedSettingsStoreIsSaidOnceOnScreenAndKept)
{
    UserDefault::destroyInstance();
    const std::string path = UserDefault::getStorePath();
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << "NOLVOUD1 but nothing that checks out";
    resetModel();
    AppDelegate app;
    app.setStartLink(false);
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    ::testing::internal::GetCapturedStderr();
    frames(2);
    ASSERT_NE(app.screenLog(), nullptr);
    const std::vector<std::string> texts = app.screenLog()->texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("settings.store.damaged"), std::string::npos) << texts[0];
    EXPECT_TRUE(std::filesystem::exists(path + ".damaged"));
    // Slot 0 was written with the defaults over the damaged file, which stays as the copy.
    UserDefault::destroyInstance();
    EXPECT_TRUE(UserDefault::getInstance()->takeLoadProblem().empty());
    Director::getInstance()->purge();
    app.shutdown();
}

TEST_F(AppDelegateTest, GoingToTheBackgroundSavesSlotZeroAndReturningResumes)
{
    DataModel* model = DataModel::getInstance();
    AppDelegate app;
    app.setStartLink(false);
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    frames(2);
    model->spectrum.waterfallTimeScale = 2;
    app.applicationDidEnterBackground();
    EXPECT_TRUE(model->inBackground.load());
    EXPECT_FALSE(Director::getInstance()->isAnimationRunning());
    auto reloaded = std::make_unique<DataModel>();
    reloaded->loadConfiguration(0);
    EXPECT_EQ(reloaded->spectrum.waterfallTimeScale, 2);
    app.applicationWillEnterForeground();
    EXPECT_FALSE(model->inBackground.load());
    EXPECT_TRUE(Director::getInstance()->isAnimationRunning());
    Director::getInstance()->purge();
    app.shutdown();
}

// A whole session through Application::run: demo playback, F12, then the window's quit event.
class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        setenv("LP_NUM_THREADS", "0", 0);
        nolvo::test::pinGlDriver();
        UserDefault::setStoreDirectory(dir.file("config"));
        UserDefault::destroyInstance();
        FileUtils::getInstance()->setWritablePath(dir.file("data"));
        resetModel();
    }
    void TearDown() override
    {
        resetModel();
        UserDefault::destroyInstance();
        UserDefault::setStoreDirectory("");
    }
    TempDir dir;
};

void pushKey(SDL_Keycode key)
{
    for (Uint32 type : {Uint32(SDL_KEYDOWN), Uint32(SDL_KEYUP)}) {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.sym = key;
        SDL_PushEvent(&e);
    }
}

TEST_F(SessionTest, DemoRunsAndClosingSavesStopsAndExitsZero)
{
    DataModel* model = DataModel::getInstance();
    AppDelegate app;
    int frame = 0;
    bool sweepsArrived = false;
    AccessoryCommunication* link = nullptr;
    app.setBeforeLinkHook([&] {
        app.scene()->schedule(
            [&](float) {
                ++frame;
                if (frame == 1) {
                    link = app.link();
                    model->spectrum.displayMode = 1; // a change the session must keep
                }
                if (frame == 90) pushKey(SDLK_F12);
                if (frame == 150) {
                    ModelLock lock(*model, kDataLock);
                    sweepsArrived = model->band24.history.size() > 0 || model->band5.history.size() > 0;
                }
                if (frame == 150) {
                    SDL_Event quit{};
                    quit.type = SDL_QUIT;
                    SDL_PushEvent(&quit);
                }
            },
            "session");
    });
    const int status = app.run();
    app.shutdown();
    ASSERT_NE(link, nullptr);
    ASSERT_EQ(app.link(), link);
    EXPECT_FALSE(link->running()) << "the link thread must be stopped once the program ends";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(app.backgroundSaves(), 1);
    EXPECT_TRUE(sweepsArrived) << "demo playback should have delivered sweeps";

    // A second start finds the first session's settings.
    auto second = std::make_unique<DataModel>();
    second->loadConfiguration(0);
    EXPECT_EQ(second->spectrum.displayMode, 1);

    // The F12 screenshot exists and shows something.
    std::vector<std::string> shots;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("data"))) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("Nolvo_", 0) == 0 && entry.path().extension() == ".png") shots.push_back(entry.path().string());
    }
    ASSERT_EQ(shots.size(), 1u);
    std::vector<std::uint8_t> rgba;
    int w = 0, h = 0;
    ASSERT_TRUE(PngFile::load(shots[0], &rgba, &w, &h));
    EXPECT_EQ(w, 960);
    EXPECT_EQ(h, 640);
    std::set<std::uint32_t> colours;
    for (std::size_t i = 0; i + 4 <= rgba.size(); i += 4) {
        colours.insert(rgba[i] | rgba[i + 1] << 8 | rgba[i + 2] << 16);
    }
    EXPECT_GT(colours.size(), 16u) << "the screenshot is blank";
}

} // namespace
} // namespace nolvo::test
